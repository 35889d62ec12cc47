#include "security/CLoginDlg.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>

#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "shell/DeviceScreen.h"
#include "shell/IShell.h"

CBitmapTextWnd::CBitmapTextWnd(const QString& picture, QWidget* parent)
    : QWidget(parent), m_picture(picture) {}

void CBitmapTextWnd::AddText(const QString& text, const QRect& rect) {
  m_texts.push_back({text, rect});
  update();
}

void CBitmapTextWnd::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  QSvgRenderer picture(m_picture);
  picture.render(&painter, rect());
  painter.setPen(Qt::black);
  for (const Entry& entry : m_texts) {
    painter.drawText(entry.rect,
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip | Qt::TextWordWrap,
                     entry.text);
  }
}

CLoginDlg::CLoginDlg(IShell& shell, QWidget* parent)
    : QDialog(parent),
      m_shell(shell),
      m_deepPicture(new CBitmapTextWnd(QString::fromLatin1(device_screen::kDeepPicture), this)),
      m_shallowPicture(
          new CBitmapTextWnd(QString::fromLatin1(device_screen::kShallowPicture), this)),
      m_passwordLabel(new QLabel(strings::Load(ids::kPasswordLabel), this)),
      m_hintLabel(new QLabel(strings::Load(ids::kHintLabel), this)),
      m_hintField(new QLabel(this)),
      m_password(new QLineEdit(this)),
      m_ok(new QPushButton(strings::Load(ids::kButtonOk), this)),
      m_exit(new QPushButton(strings::Load(ids::kButtonExit), this)) {
  setWindowTitle(strings::Load(ids::kLoginCaption));
  setObjectName(QStringLiteral("loginDialog"));
  m_password->setObjectName(QStringLiteral("passwordEdit"));
  m_password->setEchoMode(QLineEdit::Password);
  m_ok->setObjectName(QStringLiteral("okButton"));
  m_exit->setObjectName(QStringLiteral("exitButton"));
  m_ok->setDefault(true);
  // The labels only mark where their texts are painted on the picture.
  m_passwordLabel->hide();
  m_hintLabel->hide();
  m_hintField->hide();

  const QScreen* screen = QGuiApplication::primaryScreen();
  const bool deep = screen == nullptr || screen->depth() > 4;
  m_deepPicture->setVisible(deep);
  m_shallowPicture->setVisible(!deep);
  m_deepPicture->lower();
  m_shallowPicture->lower();

  m_shell.ReadOptions(nullptr, &m_hint, nullptr);
  m_hintField->setText(m_hint);
  // The labels are painted on the picture, so the box itself tells its label and the hint.
  m_passwordLabel->setBuddy(m_password);
  m_password->setAccessibleName(m_passwordLabel->text());
  m_password->setAccessibleDescription(m_hintLabel->text() + QLatin1Char(' ') + m_hint);

  connect(m_ok, &QPushButton::clicked, this, &CLoginDlg::OnOK);
  connect(m_exit, &QPushButton::clicked, this, &CLoginDlg::OnExit);

  // The dialog covers the device screen.
  resize(device_screen::Size());
  PlaceTexts();
}

CBitmapTextWnd* CLoginDlg::ShownPicture() const {
  return m_deepPicture->isVisibleTo(this) ? m_deepPicture : m_shallowPicture;
}

void CLoginDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceTexts();
}

void CLoginDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  m_password->setFocus();
}

void CLoginDlg::keyPressEvent(QKeyEvent* event) {
  // Escape does not leave the prompt: only "OK" with the password, or "Exit".
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CLoginDlg::PlaceTexts() {
  const int w = width();
  const int h = height();
  const int line = fontMetrics().height() + 10;
  const int left = w / 8;
  const int labelWidth = fontMetrics().horizontalAdvance(m_passwordLabel->text()) + 12;
  const int fieldWidth = w - 2 * left - labelWidth;
  // The controls sit in the lower part of the picture, under its title.
  int y = h * 3 / 5;
  m_hintLabel->setGeometry(left, y, labelWidth, line);
  m_hintField->setGeometry(left + labelWidth, y, fieldWidth, line);
  y += line + 6;
  m_passwordLabel->setGeometry(left, y, labelWidth, line);
  m_password->setGeometry(left + labelWidth, y, fieldWidth, line);
  y += line + 14;
  const int buttonWidth = (w - 2 * left - 12) / 2;
  m_ok->setGeometry(left, y, buttonWidth, line + 4);
  m_exit->setGeometry(w - left - buttonWidth, y, buttonWidth, line + 4);

  for (CBitmapTextWnd* picture : {m_deepPicture, m_shallowPicture}) {
    picture->setGeometry(rect());
    picture->ClearTexts();
    for (const QLabel* marker : {m_hintLabel, m_passwordLabel, m_hintField}) {
      const QRect at(picture->mapFrom(this, marker->geometry().topLeft()),
                     marker->geometry().size());
      picture->AddText(marker->text(), at);
    }
  }
}

void CLoginDlg::OnOK() {
  QString stored;
  m_shell.ReadOptions(&stored, nullptr, nullptr);
  if (m_password->text() != stored) {
    messages::Show(strings::Load(ids::kWrongPassword), strings::Load(ids::kLoginCaption),
                   messages::Buttons::Ok, messages::Icon::Stop);
    m_password->selectAll();
    m_password->setFocus();
    return;
  }
  accept();
}

void CLoginDlg::OnExit() {
  reject();
}
