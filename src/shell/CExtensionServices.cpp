#include "shell/CExtensionServices.h"

#include "common/MessageService.h"
#include "common/ui/UiSeams.h"
#include "platform/PrivateFile.h"

QString CExtensionServices::GetSaveFileName(QWidget* parent, const QString& caption,
                                            const QString& proposed, const QString& filter,
                                            const QString& defaultSuffix) {
  return ui_seams::GetSaveFileName(parent, caption, proposed, filter, defaultSuffix);
}

bool CExtensionServices::WritePrivateFile(const QString& path, const QByteArray& bytes,
                                          QString& error) {
  return platform::WritePrivateFileAtomically(path, bytes, error);
}

void CExtensionServices::ShowWarning(const QString& text) {
  messages::Show(text, messages::Buttons::Ok, messages::Icon::Exclamation);
}
