#include "beam/ui/CPairDeviceDlg.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "platform/BeamPairing.h"
#include "platform/BeamTransportTcp.h"
#include "platform/DeviceIdentity.h"
#include "platform/PairedDevices.h"

namespace {

// One port above the beam service's: a device can wait for a pairing while it receives beams.
const QString kDefaultWaitAddress = QStringLiteral("0.0.0.0:47366");

QLabel* BuddyLabel(int textId, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(strings::Load(textId), parent);
  label->setBuddy(buddy);
  buddy->setAccessibleName(label->text());
  return label;
}

}  // namespace

CPairDeviceDlg::CPairDeviceDlg(const QString& deviceFolder, QWidget* parent)
    : QDialog(parent),
      m_folder(deviceFolder),
      m_fingerprint(new QLabel(this)),
      m_paired(new QListWidget(this)),
      m_unpair(new QPushButton(strings::Load(ids::kPairUnpair), this)),
      m_wait(new QRadioButton(strings::Load(ids::kPairWait), this)),
      m_waitAddress(new QLineEdit(kDefaultWaitAddress, this)),
      m_connect(new QRadioButton(strings::Load(ids::kPairConnect), this)),
      m_connectAddress(new QLineEdit(this)),
      m_name(new QLineEdit(this)),
      m_start(new QPushButton(strings::Load(ids::kPairStart), this)),
      m_status(new QLabel(this)),
      m_close(new QPushButton(strings::Load(ids::kPairClose), this)) {
  setWindowTitle(strings::Load(ids::kPairDeviceTitle));
  auto* ownLabel = new QLabel(strings::Load(ids::kPairOwnFingerprint), this);
  m_fingerprint->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_fingerprint->setWordWrap(true);
  auto* pairedLabel = BuddyLabel(ids::kPairPairedDevices, m_paired, this);
  m_wait->setAccessibleName(m_wait->text());
  m_connect->setAccessibleName(m_connect->text());
  m_waitAddress->setAccessibleName(m_wait->text());
  m_connectAddress->setAccessibleName(m_connect->text());
  m_connectAddress->setPlaceholderText(QStringLiteral("HOST:PORT"));
  auto* nameLabel = BuddyLabel(ids::kPairNameLabel, m_name, this);
  for (QPushButton* button : {m_unpair, m_start, m_close}) {
    button->setAccessibleName(button->text());
    button->setAutoDefault(false);
  }
  m_status->setWordWrap(true);
  m_status->setTextFormat(Qt::PlainText);
  m_wait->setChecked(true);

  auto* choices = new QGridLayout;
  choices->addWidget(m_wait, 0, 0);
  choices->addWidget(m_waitAddress, 0, 1);
  choices->addWidget(m_connect, 1, 0);
  choices->addWidget(m_connectAddress, 1, 1);
  choices->addWidget(nameLabel, 2, 0);
  choices->addWidget(m_name, 2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_start);
  buttons->addStretch(1);
  buttons->addWidget(m_close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ownLabel);
  layout->addWidget(m_fingerprint);
  layout->addWidget(pairedLabel);
  layout->addWidget(m_paired, 1);
  layout->addWidget(m_unpair, 0, Qt::AlignLeft);
  layout->addLayout(choices);
  layout->addWidget(m_status);
  layout->addLayout(buttons);

  connect(m_start, &QPushButton::clicked, this, &CPairDeviceDlg::OnStart);
  connect(m_unpair, &QPushButton::clicked, this, &CPairDeviceDlg::OnUnpair);
  connect(m_close, &QPushButton::clicked, this, &CPairDeviceDlg::reject);
  connect(m_wait, &QRadioButton::toggled, this, &CPairDeviceDlg::UpdateChoice);
  connect(m_paired, &QListWidget::currentRowChanged, this, &CPairDeviceDlg::UpdateChoice);

  platform::DeviceIdentity identity;
  QString error;
  m_fingerprint->setText(identity.LoadOrCreate(m_folder, error)
                             ? identity.Fingerprint()
                             : strings::FormatId(ids::kPairKeyUnreadable, error));
  m_fingerprint->setAccessibleName(ownLabel->text() + QLatin1Char(' ') + m_fingerprint->text());
  FillPaired();
  UpdateChoice();
}

void CPairDeviceDlg::FillPaired() {
  m_paired->clear();
  platform::PairedDevices paired;
  QString error;
  if (!paired.Load(m_folder, error)) {
    ShowStatus(error);
    return;
  }
  for (const platform::PairedDevice& device : paired.Devices()) {
    auto* item = new QListWidgetItem(
        strings::FormatId(ids::kPairListEntry, device.name,
                          platform::FormatFingerprint(device.pin).left(19),
                          QLocale().toString(device.paired.toLocalTime(), QLocale::ShortFormat)),
        m_paired);
    item->setData(Qt::UserRole, device.name);
  }
}

void CPairDeviceDlg::UpdateChoice() {
  m_waitAddress->setEnabled(!m_running && m_wait->isChecked());
  m_connectAddress->setEnabled(!m_running && m_connect->isChecked());
  m_unpair->setEnabled(!m_running && m_paired->currentItem() != nullptr);
}

void CPairDeviceDlg::SetRunning(bool running) {
  m_running = running;
  m_cancelRequested = false;
  for (QWidget* control :
       std::initializer_list<QWidget*>{m_wait, m_connect, m_name, m_start, m_paired}) {
    control->setEnabled(!running);
  }
  m_close->setText(strings::Load(running ? ids::kPairCancel : ids::kPairClose));
  m_close->setAccessibleName(m_close->text());
  UpdateChoice();
}

void CPairDeviceDlg::ShowStatus(const QString& text) {
  m_status->setText(text);
  m_status->setAccessibleName(text);
}

void CPairDeviceDlg::OnStart() {
  const bool waiting = m_wait->isChecked();
  platform::BeamAddress address;
  if (!platform::ParseBeamAddress((waiting ? m_waitAddress : m_connectAddress)->text(), address)) {
    messages::Show(strings::Load(ids::kPairBadAddress), messages::Buttons::Ok,
                   messages::Icon::Exclamation);
    return;
  }
  SetRunning(true);
  ShowStatus(strings::FormatId(waiting ? ids::kPairWaiting : ids::kPairConnecting,
                               platform::FormatBeamAddress(address)));
  platform::PairingHooks hooks;
  hooks.keepGoing = [this] {
    QCoreApplication::processEvents();
    return !m_cancelRequested;
  };
  hooks.listening = [this](const platform::BeamAddress& bound) {
    ShowStatus(strings::FormatId(ids::kPairWaiting, platform::FormatBeamAddress(bound)));
  };
  hooks.confirm = [](const platform::PairingOffer& offer) {
    const QString digits = offer.digits.left(3) + QLatin1Char(' ') + offer.digits.mid(3);
    return messages::Show(strings::FormatId(ids::kPairAskDigits, offer.peerName, digits),
                          messages::Buttons::YesNo,
                          messages::Icon::Question) == messages::Answer::Yes;
  };
  const platform::PairingResult result = platform::PairOverTcp(
      m_folder, waiting ? platform::PairingRole::kResponder : platform::PairingRole::kInitiator,
      address, platform::OwnDeviceName(), m_name->text(), hooks);
  SetRunning(false);
  ShowStatus(result.paired ? strings::FormatId(ids::kPairDone, result.device.name)
                           : strings::FormatId(ids::kPairFailed, result.error));
  FillPaired();
}

void CPairDeviceDlg::OnUnpair() {
  const QListWidgetItem* item = m_paired->currentItem();
  if (item == nullptr) {
    return;
  }
  const QString name = item->data(Qt::UserRole).toString();
  if (messages::Show(strings::FormatId(ids::kAskUnpair, name), messages::Buttons::YesNo,
                     messages::Icon::Question) != messages::Answer::Yes) {
    return;
  }
  platform::PairedDevices paired;
  QString error;
  if (paired.Load(m_folder, error) && !paired.Remove(name)) {
    error = name;  // unpaired meanwhile, from another window or the command line
  }
  if (!error.isEmpty() || !paired.Save(m_folder, error)) {
    messages::Show(strings::FormatId(ids::kPairUnpairFailed, error), messages::Buttons::Ok,
                   messages::Icon::Exclamation);
  }
  FillPaired();
  UpdateChoice();
}

void CPairDeviceDlg::reject() {
  // While a pairing runs, Close reads Cancel and ends the pairing; the window stays.
  if (m_running) {
    m_cancelRequested = true;
    return;
  }
  QDialog::reject();
}
