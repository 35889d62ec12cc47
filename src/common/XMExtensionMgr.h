#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "common/XMExtension.h"

// The extension manager: loads the extension libraries of the device, hands them the program's
// resource manager and routes to them the commands and registered messages that the program does
// not handle itself. One per process.
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
  // Loads every *.so of the device's extensions folder, in name order; answers how many
  // extensions were added. A library that cannot be loaded or declines is skipped and noted in
  // LoadErrors(). Loading the same file twice adds it once.
  virtual int LoadResources();
  int LoadFolder(const QString& folder);
  bool LoadLibrary(const QString& path);
  // Adds an extension object made by the program itself (and tests).
  void AddExtension(std::unique_ptr<XMExtension> extension);

  int GetSize() const { return static_cast<int>(extensions_.size()); }
  // nullptr outside 0 .. GetSize() - 1.
  XMExtension* GetExtension(int index) const;

  // Offers the command to each extension in turn until one handles it; false for an id outside
  // 10000 .. 20000 or when none handled it.
  bool OnCmdMsg(int commandId);
  // Offers the registered message to each extension in turn until one handles it.
  bool OnRegisteredMsg(const QString& message);

  // Runs every extension's add-pages operation on a tab strip.
  void AddChartPages(ITabHost* host);
  void AddPreferencePages(ITabHost* host);

  const QStringList& LoadErrors() const { return loadErrors_; }

 protected:
  XMExtensionMgr() = default;

 private:
  struct Loaded {
    std::unique_ptr<XMExtension> extension;
    QString path;  // empty for extensions added by the program
  };

  XMResourceMgr* resources_ = nullptr;
  std::vector<Loaded> extensions_;
  QStringList loadErrors_;
};
