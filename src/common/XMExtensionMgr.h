#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "common/XMExtension.h"

// The extension manager: loads the extension libraries of the program and of the device, hands
// them the program's resource manager and routes to them the commands and registered messages
// that the program does not handle itself. One per process.
class XMExtensionMgr {
 public:
  static constexpr int kFirstCommandId = 10000;
  static constexpr int kLastCommandId = 20000;
  // The folder of the device that holds extension libraries (*.so).
  static constexpr const char* kFolderName = "extensions";

  // The process's manager, made on first use (again after Destroy).
  static XMExtensionMgr* Instance();
  // Deletes the manager and its extensions. The libraries stay loaded until the process ends,
  // since windows that an extension made may outlive it.
  static void Destroy();

  virtual ~XMExtensionMgr();
  XMExtensionMgr(const XMExtensionMgr&) = delete;
  XMExtensionMgr& operator=(const XMExtensionMgr&) = delete;

  // Hands over the program's resource manager (not owned); extensions loaded later get it.
  virtual void SetResourceMgr(XMResourceMgr* resources);
  // The folder of the extensions that come with the program (the program sets it at start-up;
  // empty = none). Its libraries load before the device's.
  void SetProgramFolder(const QString& folder) { m_programFolder = folder; }
  const QString& ProgramFolder() const { return m_programFolder; }
  // Loads every *.so of the program's extensions folder, then of the device's, each in name
  // order; answers how many extensions were added. A library that cannot be loaded or declines
  // is skipped and noted in LoadErrors(). Loading the same file twice adds it once, and a
  // library of the same file name as one already loaded (the program's own copied into the
  // device) is skipped.
  virtual int LoadResources();
  int LoadFolder(const QString& folder);
  bool LoadLibrary(const QString& path);
  // Adds an extension object made by the program itself (and tests).
  void AddExtension(std::unique_ptr<XMExtension> extension);

  int GetSize() const { return static_cast<int>(m_extensions.size()); }
  // nullptr outside 0 .. GetSize() - 1.
  XMExtension* GetExtension(int index) const;
  // The interface version the extension was made for (what its factory accepted); 0 outside
  // 0 .. GetSize() - 1, and the current version for extensions added by the program.
  int GetInterfaceVersion(int index) const;

  // Offers the command to each extension in turn until one handles it; false for an id outside
  // 10000 .. 20000 or when none handled it.
  bool OnCmdMsg(int commandId);
  // Offers the registered message to each extension in turn until one handles it.
  bool OnRegisteredMsg(const QString& message);

  // Runs every extension's add-pages operation on a tab strip.
  void AddChartPages(ITabHost* host);
  void AddPreferencePages(ITabHost* host);

  const QStringList& LoadErrors() const { return m_loadErrors; }

 protected:
  XMExtensionMgr() = default;

 private:
  struct Loaded {
    std::unique_ptr<XMExtension> extension;
    QString path;  // empty for extensions added by the program
    int version = kXMExtensionInterfaceVersion;
  };

  // True when this file, or a library of its file name, was loaded already; the second case is
  // noted in LoadErrors().
  bool IsLoaded(const QString& canonicalPath);
  // Asks the factory for an extension of the newest version it accepts; nullptr when it accepts
  // none, with version then 0.
  static std::unique_ptr<XMExtension> Create(XMExtensionFactory factory, int& version);

  XMResourceMgr* m_resources = nullptr;
  QString m_programFolder;
  std::vector<Loaded> m_extensions;
  QStringList m_loadErrors;
};
