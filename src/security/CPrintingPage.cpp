#include "security/CPrintingPage.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"

namespace {

// A field takes up to limit characters as typed; the limit is the validator's, so a longer
// stored value is still shown whole.
QLineEdit* MakeField(QWidget* parent, const char* name, int limit) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QLatin1String(name));
  edit->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral(".{0,%1}").arg(limit)), edit));
  edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16);
  return edit;
}

// The field's integer; false (with the message shown and the field focused) when it holds none.
bool TakeInteger(QLineEdit& field, int32_t& value) {
  bool number = false;
  const int parsed = field.text().trimmed().toInt(&number);
  if (!number) {
    messages::Show(strings::Load(ids::kEnterInteger), messages::Buttons::Ok,
                   messages::Icon::Exclamation);
    field.setFocus();
    field.selectAll();
    return false;
  }
  value = parsed;
  return true;
}

}  // namespace

CPrintingPage::CPrintingPage(app_options::PrintSettings& settings, QWidget* parent)
    : CPatientTabPage(kDialogId, parent),
      m_settings(settings),
      m_linesPerPage(MakeField(this, "linesPerPageEdit", 5)),
      m_pageWidth(MakeField(this, "pageWidthEdit", 3)),
      m_leftMargin(MakeField(this, "leftMarginEdit", 3)),
      m_topMargin(MakeField(this, "topMarginEdit", 3)),
      m_bottomMargin(MakeField(this, "bottomMarginEdit", 3)) {
  auto* fields = new QFormLayout;
  fields->setHorizontalSpacing(8);
  fields->setVerticalSpacing(8);
  fields->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  fields->addRow(strings::Load(ids::kLinesPerPageLabel), m_linesPerPage);
  fields->addRow(strings::Load(ids::kPageWidthLabel), m_pageWidth);
  fields->addRow(strings::Load(ids::kLeftMarginLabel), m_leftMargin);
  fields->addRow(strings::Load(ids::kTopMarginLabel), m_topMargin);
  fields->addRow(strings::Load(ids::kBottomMarginLabel), m_bottomMargin);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addLayout(fields);
  layout->addStretch(1);
  ShowSettings();
}

void CPrintingPage::ShowSettings() {
  m_linesPerPage->setText(QString::number(m_settings.linesPerPage));
  m_pageWidth->setText(QString::number(m_settings.pageWidth));
  m_leftMargin->setText(QString::number(m_settings.leftMargin));
  m_topMargin->setText(QString::number(m_settings.topMargin));
  m_bottomMargin->setText(QString::number(m_settings.bottomMargin));
}

bool CPrintingPage::IsValid(const app_options::PrintSettings& settings) {
  // In 64 bits, so that no field value can overflow the sums.
  const int64_t lines = settings.linesPerPage;
  return lines <= 32767 && lines - settings.bottomMargin - settings.topMargin > 9 &&
         int64_t{settings.pageWidth} - settings.leftMargin > 9;
}

bool CPrintingPage::Validate() {
  // The settings change only when every field is an integer and the page they describe is
  // usable: what the printer gets is never a page the user was told is invalid.
  app_options::PrintSettings taken = m_settings;
  if (!TakeInteger(*m_linesPerPage, taken.linesPerPage) ||
      !TakeInteger(*m_pageWidth, taken.pageWidth) ||
      !TakeInteger(*m_leftMargin, taken.leftMargin) ||
      !TakeInteger(*m_topMargin, taken.topMargin) ||
      !TakeInteger(*m_bottomMargin, taken.bottomMargin)) {
    return false;
  }
  if (!IsValid(taken)) {
    messages::Show(strings::Load(ids::kInvalidPrinterSettings), strings::Load(ids::kAppName),
                   messages::Buttons::Ok, messages::Icon::Exclamation);
    return false;
  }
  m_settings = taken;
  return true;
}
