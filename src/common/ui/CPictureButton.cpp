#include "common/ui/CPictureButton.h"

#include <QFile>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

#include "common/StringIds.h"
#include "common/StringTable.h"

// The pictures are compiled into a static library: their resource is registered on first use,
// since nothing else would keep it in the program.
static void RegisterPictures() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(pictures);
    return true;
  }();
  static_cast<void>(registered);
}

namespace {

// Pictures are drawn for the hand-held's pixels; the desktop shows them half as large again.
constexpr double kScale = 1.5;

QIcon RenderPicture(const QString& path, QSize* naturalSize) {
  if (!QFile::exists(path)) {
    return {};
  }
  QSvgRenderer renderer(path);
  if (!renderer.isValid()) {
    return {};
  }
  const QSize size = renderer.defaultSize();
  if (naturalSize != nullptr) {
    *naturalSize = size;
  }
  QIcon icon;
  for (const int factor : {2, 3}) {
    QPixmap pixmap(size * factor);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

// The spoken names of the captions that several pages share, by caption.
const QHash<QString, int>& SharedSpokenNames() {
  static const QHash<QString, int> names = [] {
    const std::pair<int, int> captionAndName[] = {
        {ids::kPictureSave, ids::kSaveName},         {ids::kPictureNoSave, ids::kNoSaveName},
        {ids::kPictureCancel, ids::kButtonCancel},   {ids::kPictureDelete, ids::kButtonDelete},
        {ids::kPictureNoDelete, ids::kNoDeleteName}, {ids::kPictureMove, ids::kMoveName},
        {ids::kPictureNoMove, ids::kNoMoveName},     {ids::kPictureOpen, ids::kOpenName},
        {ids::kPictureFav, ids::kFavName},           {ids::kPictureNoFav, ids::kNoFavName},
        {ids::kPicturePrint, ids::kPrintButtonName}, {ids::kPictureBeam, ids::kBeamButtonName},
        {ids::kPicturePopup, ids::kPopupListTitle},
    };
    QHash<QString, int> byCaption;
    for (const auto& [caption, name] : captionAndName) {
      byCaption.insert(strings::Load(caption), name);
    }
    return byCaption;
  }();
  return names;
}

// The frame drawn inside a button that has the keyboard focus.
constexpr int kFocusFrameWidth = 2;

}  // namespace

CPictureButton::CPictureButton(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
  LoadBitmaps(caption);
}

bool CPictureButton::LoadBitmaps(const QString& caption) {
  m_caption = caption;
  setObjectName(caption);
  setText(caption);
  m_inert = caption.size() > 2 && caption.startsWith(QLatin1String("NO"));
  // Tab reaches a button, a tap does not take the focus (an in-place edit stays open); a
  // look-alike has nothing to do.
  setFocusPolicy(m_inert ? Qt::NoFocus : Qt::TabFocus);
  QSize natural;
  m_up = RenderPicture(PicturePath(caption, QStringLiteral("U")), &natural);
  m_down = RenderPicture(PicturePath(caption, QStringLiteral("D")), nullptr);
  m_disabled = RenderPicture(PicturePath(caption, QStringLiteral("X")), nullptr);
  if (m_down.isNull()) {
    m_down = m_up;
  }
  if (m_disabled.isNull()) {
    m_disabled = m_up;
  }
  if (!natural.isEmpty()) {
    setFixedSize(natural * kScale);
  }
  updateGeometry();
  update();
  return !m_up.isNull();
}

QString CPictureButton::SpokenName() const {
  if (!accessibleName().isEmpty()) {
    return accessibleName();
  }
  const int nameId = SharedSpokenNames().value(m_caption);
  return nameId != 0 ? strings::Load(nameId) : m_caption;
}

void CPictureButton::SetPushed(bool pushed) {
  m_pushed = pushed;
  update();
}

QSize CPictureButton::sizeHint() const {
  if (!m_up.isNull()) {
    return minimumSize();
  }
  return QSize(60, 22) * kScale;
}

QString CPictureButton::PicturePath(const QString& caption, const QString& suffix) {
  RegisterPictures();
  return QStringLiteral(":/pictures/%1%2.svg").arg(caption, suffix);
}

bool CPictureButton::HasPicture(const QString& caption) {
  return QFile::exists(PicturePath(caption, QStringLiteral("U")));
}

void CPictureButton::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QIcon* picture = &m_up;
  if (!isEnabled()) {
    picture = &m_disabled;
  } else if (!m_inert && (isDown() || m_pushed)) {
    picture = &m_down;
  }
  if (picture->isNull()) {
    // A caption without pictures still shows as a plain framed word.
    painter.setPen(palette().color(isEnabled() ? QPalette::WindowText : QPalette::PlaceholderText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawText(rect(), Qt::AlignCenter, m_caption);
  } else {
    picture->paint(&painter, rect());
  }
  if (hasFocus()) {
    QPen frame(palette().color(QPalette::Highlight), kFocusFrameWidth);
    frame.setJoinStyle(Qt::MiterJoin);
    painter.setPen(frame);
    painter.setBrush(Qt::NoBrush);
    const int inset = kFocusFrameWidth / 2;
    painter.drawRect(rect().adjusted(inset, inset, -inset - 1, -inset - 1));
  }
}

void CPictureButton::mousePressEvent(QMouseEvent* event) {
  if (m_inert) {
    event->accept();
    return;
  }
  QAbstractButton::mousePressEvent(event);
}

void CPictureButton::mouseReleaseEvent(QMouseEvent* event) {
  if (m_inert) {
    event->accept();
    return;
  }
  QAbstractButton::mouseReleaseEvent(event);
}
