#include "common/XMExtensionMgr.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include "platform/Device.h"

namespace {

XMExtensionMgr*& Singleton() {
  static XMExtensionMgr* manager = nullptr;
  return manager;
}

// The manager's only maker: the constructor is protected.
class Manager : public XMExtensionMgr {};

}  // namespace

XMExtensionMgr* XMExtensionMgr::Instance() {
  if (Singleton() == nullptr) {
    Singleton() = new Manager;
  }
  return Singleton();
}

void XMExtensionMgr::Destroy() {
  delete Singleton();
  Singleton() = nullptr;
}

XMExtensionMgr::~XMExtensionMgr() {
  // Extensions go in the reverse order of loading; their libraries stay loaded (QLibrary does not
  // unload when it is destroyed), so that windows they made stay valid until the process ends.
  while (!m_extensions.empty()) {
    m_extensions.pop_back();
  }
}

void XMExtensionMgr::SetResourceMgr(XMResourceMgr* resources) {
  m_resources = resources;
}

int XMExtensionMgr::LoadResources() {
  int added = m_programFolder.isEmpty() ? 0 : LoadFolder(m_programFolder);
  if (const platform::Device* device = platform::Device::Current()) {
    added += LoadFolder(device->PathOf(QString::fromLatin1(kFolderName)));
  }
  return added;
}

int XMExtensionMgr::LoadFolder(const QString& folder) {
  const QDir dir(folder);
  int added = 0;
  for (const QFileInfo& file :
       dir.entryInfoList({QStringLiteral("*.so")}, QDir::Files | QDir::Readable, QDir::Name)) {
    if (LoadLibrary(file.absoluteFilePath())) {
      ++added;
    }
  }
  return added;
}

bool XMExtensionMgr::IsLoaded(const QString& canonicalPath) {
  const QString fileName = QFileInfo(canonicalPath).fileName();
  for (const Loaded& loaded : m_extensions) {
    if (loaded.path.isEmpty()) {
      continue;
    }
    if (loaded.path == canonicalPath) {
      return true;  // loading the folder again (start-up does) adds nothing and is no error
    }
    if (QFileInfo(loaded.path).fileName() == fileName) {
      const QString error = canonicalPath + QStringLiteral(": already loaded from ") + loaded.path;
      if (!m_loadErrors.contains(error)) {  // start-up loads the folders twice
        m_loadErrors.append(error);
      }
      return true;
    }
  }
  return false;
}

std::unique_ptr<XMExtension> XMExtensionMgr::Create(XMExtensionFactory factory, int& version) {
  for (version = kXMExtensionInterfaceVersion; version >= kXMExtensionOldestVersion; --version) {
    if (XMExtension* extension = factory(version)) {
      return std::unique_ptr<XMExtension>(extension);
    }
  }
  version = 0;
  return nullptr;
}

bool XMExtensionMgr::LoadLibrary(const QString& path) {
  const QString canonical = QFileInfo(path).canonicalFilePath();
  if (IsLoaded(canonical)) {
    return false;
  }
  QLibrary library(path);
  library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
  if (!library.load()) {
    m_loadErrors.append(library.errorString());
    return false;
  }
  const auto factory =
      reinterpret_cast<XMExtensionFactory>(library.resolve(kXMExtensionFactoryName));
  if (factory == nullptr) {
    m_loadErrors.append(path + QStringLiteral(": no ") + QLatin1String(kXMExtensionFactoryName));
    return false;
  }
  int version = 0;
  std::unique_ptr<XMExtension> extension = Create(factory, version);
  if (extension == nullptr) {
    m_loadErrors.append(path + QStringLiteral(": declined interface versions %1 to %2")
                                   .arg(kXMExtensionOldestVersion)
                                   .arg(kXMExtensionInterfaceVersion));
    return false;
  }
  extension->Initialize(m_resources);
  m_extensions.push_back({std::move(extension), canonical, version});
  return true;
}

void XMExtensionMgr::AddExtension(std::unique_ptr<XMExtension> extension) {
  if (extension == nullptr) {
    return;
  }
  extension->Initialize(m_resources);
  m_extensions.push_back({std::move(extension), QString()});
}

XMExtension* XMExtensionMgr::GetExtension(int index) const {
  if (index < 0 || index >= GetSize()) {
    return nullptr;
  }
  return m_extensions[static_cast<size_t>(index)].extension.get();
}

int XMExtensionMgr::GetInterfaceVersion(int index) const {
  if (index < 0 || index >= GetSize()) {
    return 0;
  }
  return m_extensions[static_cast<size_t>(index)].version;
}

bool XMExtensionMgr::OnCmdMsg(int commandId) {
  if (commandId < kFirstCommandId || commandId > kLastCommandId) {
    return false;
  }
  for (const Loaded& loaded : m_extensions) {
    if (loaded.extension->OnCmdMsg(commandId)) {
      return true;
    }
  }
  return false;
}

bool XMExtensionMgr::OnRegisteredMsg(const QString& message) {
  for (const Loaded& loaded : m_extensions) {
    if (loaded.extension->OnRegisteredMsg(message)) {
      return true;
    }
  }
  return false;
}

void XMExtensionMgr::AddChartPages(ITabHost* host) {
  for (const Loaded& loaded : m_extensions) {
    loaded.extension->AddChartPages(host);
  }
}

void XMExtensionMgr::AddPreferencePages(ITabHost* host) {
  for (const Loaded& loaded : m_extensions) {
    loaded.extension->AddPreferencePages(host);
  }
}
