#include "common/ui/CPictureButton.h"

#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

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

}  // namespace

CPictureButton::CPictureButton(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  LoadBitmaps(caption);
}

bool CPictureButton::LoadBitmaps(const QString& caption) {
  caption_ = caption;
  setObjectName(caption);
  setText(caption);
  inert_ = caption.size() > 2 && caption.startsWith(QLatin1String("NO"));
  QSize natural;
  up_ = RenderPicture(PicturePath(caption, QStringLiteral("U")), &natural);
  down_ = RenderPicture(PicturePath(caption, QStringLiteral("D")), nullptr);
  disabled_ = RenderPicture(PicturePath(caption, QStringLiteral("X")), nullptr);
  if (down_.isNull()) {
    down_ = up_;
  }
  if (disabled_.isNull()) {
    disabled_ = up_;
  }
  if (!natural.isEmpty()) {
    setFixedSize(natural * kScale);
  }
  updateGeometry();
  update();
  return !up_.isNull();
}

void CPictureButton::SetPushed(bool pushed) {
  pushed_ = pushed;
  update();
}

QSize CPictureButton::sizeHint() const {
  if (!up_.isNull()) {
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
  const QIcon* picture = &up_;
  if (!isEnabled()) {
    picture = &disabled_;
  } else if (!inert_ && (isDown() || pushed_)) {
    picture = &down_;
  }
  if (picture->isNull()) {
    // A caption without pictures still shows as a plain framed word.
    painter.setPen(palette().color(isEnabled() ? QPalette::WindowText : QPalette::PlaceholderText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawText(rect(), Qt::AlignCenter, caption_);
    return;
  }
  picture->paint(&painter, rect());
}

void CPictureButton::mousePressEvent(QMouseEvent* event) {
  if (inert_) {
    event->accept();
    return;
  }
  QAbstractButton::mousePressEvent(event);
}

void CPictureButton::mouseReleaseEvent(QMouseEvent* event) {
  if (inert_) {
    event->accept();
    return;
  }
  QAbstractButton::mouseReleaseEvent(event);
}
