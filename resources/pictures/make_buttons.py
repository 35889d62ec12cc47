#!/usr/bin/env python3
"""Draws the picture buttons: for each caption the up (U), down (D) and disabled (X) pictures, and
for the read-only look-alikes ("NO" + caption) the same three in the inert look.

Run from this folder: python3 make_buttons.py; then list the files in ../pictures.qrc."""

import os

W, H = 60, 22

# caption: (label, glyph)
BUTTONS = {
    "SAVE": ("Save", "check"),
    "DELETE": ("Delete", "cross"),
    "CANCEL": ("Cancel", "back"),
    "OPEN": ("Open", "folder"),
    "UNDO": ("Undo", "undo"),
    "FAV": ("Fav", "star"),
    "SELECT": ("Select", "check"),
    "CLEAR": ("Clear", "cross"),
    "PRINT": ("Print", "printer"),
    "EXPORT": ("Export", "out"),
    "MOVE": ("Move", "move"),
    "NEWTODO": ("New", "plus"),
    "EDITNOTE": ("Note", "pencil"),
    "INSPLUS": ("(+)", None),
    "INSMINUS": ("(-)", None),
    "ADDMED": ("Med", "plus"),
    "EDITLIST": ("List", "pencil"),
    "SHOWLABS": ("Labs", None),
    "SHOWVITALS": ("Vitals", None),
    "SHOWTESTS": ("Tests", None),
    "NEXT": ("Next", "next"),
    "INSERTAUTO": ("Insert", "plus"),
    "DELETEAUTO": ("Remove", "minus"),
    "BEAM": ("Beam", "beam"),
    "OK": ("OK", "check"),
}

# Read-only look-alikes: they stand where the button stands while the record is read-only.
INERT = ["SAVE", "DELETE", "MOVE", "FAV"]

STYLES = {
    # face, border, text, glyph
    "U": ("#f4f7fb", "#3d5a80", "#1b2a3a", "#2a6f97"),
    "D": ("#3d5a80", "#1b2a3a", "#ffffff", "#ffffff"),
    "X": ("#e6e6e6", "#a8a8a8", "#9a9a9a", "#b0b0b0"),
}
INERT_STYLES = {
    "U": ("#ececec", "#9c9c9c", "#8a8a8a", "#8a8a8a"),
    "D": ("#ececec", "#9c9c9c", "#8a8a8a", "#8a8a8a"),
    "X": ("#e6e6e6", "#b4b4b4", "#a8a8a8", "#a8a8a8"),
}


def glyph(kind, color, x, y):
    """A 12x12 pictogram with its top-left corner at x, y."""
    s = f'stroke="{color}" fill="none" stroke-linecap="round" stroke-linejoin="round"'
    f = f'fill="{color}"'
    if kind == "check":
        return f'<path d="M{x+1} {y+6} l4 4 l6 -8" {s} stroke-width="2"/>'
    if kind == "cross":
        return f'<path d="M{x+2} {y+2} l8 8 M{x+10} {y+2} l-8 8" {s} stroke-width="2"/>'
    if kind == "back":
        return f'<path d="M{x+7} {y+1} l-5 5 l5 5 M{x+2} {y+6} h9" {s} stroke-width="2"/>'
    if kind == "next":
        return f'<path d="M{x+5} {y+1} l5 5 l-5 5 M{x+10} {y+6} h-9" {s} stroke-width="2"/>'
    if kind == "folder":
        return (f'<path d="M{x} {y+2} h4 l2 2 h6 v7 h-12 z" {s} stroke-width="1.5"/>')
    if kind == "undo":
        return f'<path d="M{x+3} {y+3} l-2 3 l3 2 M{x+1} {y+6} q5 -6 10 0 q0 4 -4 5" {s} stroke-width="1.6"/>'
    if kind == "star":
        pts = "6,0.5 7.7,4.2 11.6,4.6 8.6,7.3 9.5,11.3 6,9.2 2.5,11.3 3.4,7.3 0.4,4.6 4.3,4.2"
        pts = " ".join(f"{x+float(a):.1f},{y+float(b):.1f}" for a, b in (p.split(",") for p in pts.split()))
        return f'<polygon points="{pts}" {f}/>'
    if kind == "printer":
        return (f'<rect x="{x+3}" y="{y}" width="6" height="4" {s} stroke-width="1.3"/>'
                f'<rect x="{x}" y="{y+4}" width="12" height="5" rx="1" {f}/>'
                f'<rect x="{x+3}" y="{y+8}" width="6" height="4" fill="#ffffff" stroke="{color}" stroke-width="1.3"/>')
    if kind == "out":
        return f'<path d="M{x+5} {y+2} h-4 v9 h9 v-4 M{x+6} {y+6} l5 -5 M{x+7} {y+1} h4 v4" {s} stroke-width="1.6"/>'
    if kind == "move":
        return f'<path d="M{x+1} {y+4} h9 l-2 -2 M{x+11} {y+8} h-9 l2 2" {s} stroke-width="1.6"/>'
    if kind == "plus":
        return f'<path d="M{x+6} {y+1} v10 M{x+1} {y+6} h10" {s} stroke-width="2"/>'
    if kind == "minus":
        return f'<path d="M{x+1} {y+6} h10" {s} stroke-width="2"/>'
    if kind == "pencil":
        return f'<path d="M{x+1} {y+11} l1 -3 l7 -7 l2 2 l-7 7 z" {s} stroke-width="1.4"/>'
    if kind == "beam":
        return (f'<circle cx="{x+2}" cy="{y+6}" r="1.6" {f}/>'
                f'<path d="M{x+5} {y+3} q2 3 0 6 M{x+8} {y+1} q3 5 0 10" {s} stroke-width="1.5"/>')
    if kind == "lock":
        return (f'<rect x="{x+1}" y="{y+5}" width="10" height="7" rx="1" {f}/>'
                f'<path d="M{x+3} {y+5} v-2 a3 3 0 0 1 6 0 v2" {s} stroke-width="1.6"/>')
    return ""


def button(label, kind, style, inert):
    face, border, text, mark = style
    parts = [
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{W}" height="{H}" viewBox="0 0 {W} {H}">',
        f'<rect x="0.75" y="0.75" width="{W-1.5}" height="{H-1.5}" rx="4" fill="{face}" '
        f'stroke="{border}" stroke-width="1.5"/>',
    ]
    if inert:
        kind = "lock"
    text_x = W / 2
    if kind:
        parts.append(glyph(kind, mark, 5, 5))
        text_x = 19 + (W - 19 - 3) / 2
    # Wide letters need a smaller size to stay clear of the glyph.
    width = sum(1.3 if ch in "MWmw" else 1.0 for ch in label)
    size = 10 if width <= 5.2 else 9 if width <= 6.2 else 8
    parts.append(
        f'<text x="{text_x:.1f}" y="15" text-anchor="middle" font-family="DejaVu Sans, Arial, sans-serif" '
        f'font-size="{size}" font-weight="bold" fill="{text}">{label}</text>')
    parts.append("</svg>\n")
    return "\n".join(parts)


def main():
    names = []
    for caption, (label, kind) in BUTTONS.items():
        for suffix, style in STYLES.items():
            names.append(f"{caption}{suffix}.svg")
            with open(names[-1], "w", encoding="utf-8") as out:
                out.write(button(label, kind, style, False))
    for caption in INERT:
        label, kind = BUTTONS[caption]
        for suffix, style in INERT_STYLES.items():
            names.append(f"NO{caption}{suffix}.svg")
            with open(names[-1], "w", encoding="utf-8") as out:
                out.write(button(label, kind, style, True))
    # The tiny pop-up button beside a caption: a drop-down arrow.
    for suffix, (face, border, _text, mark) in STYLES.items():
        names.append(f"POPUP{suffix}.svg")
        with open(names[-1], "w", encoding="utf-8") as out:
            out.write('<svg xmlns="http://www.w3.org/2000/svg" width="14" height="14" viewBox="0 0 14 14">\n'
                      f'<rect x="0.75" y="0.75" width="12.5" height="12.5" rx="2" fill="{face}" stroke="{border}" stroke-width="1.5"/>\n'
                      f'<path d="M3.5 5 h7 l-3.5 4.5 z" fill="{mark}"/>\n</svg>\n')
    print("\n".join(sorted(names)))


if __name__ == "__main__":
    os.chdir(os.path.dirname(os.path.abspath(__file__)))
    main()
