// Answers the real message windows of this process: finds each one by its
// caption, reads what it shows, and presses its OK button.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SeenMessageWindow {
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;  // button captions, in child order
  bool hasIcon = false;              // a visible icon control
  bool centredOnScreen = false;      // centre within a few pixels of the screen's
};

class MessageWindowWatcher {
 public:
  // Watches for dialog windows captioned `caption` (the installer's title of
  // this test program) of the process `processId`.
  explicit MessageWindowWatcher(std::string caption, DWORD processId = GetCurrentProcessId());
  ~MessageWindowWatcher();
  MessageWindowWatcher(const MessageWindowWatcher&) = delete;
  MessageWindowWatcher& operator=(const MessageWindowWatcher&) = delete;

  // Runs on the watcher's thread for each window, before OK is pressed.
  void OnShown(std::function<void(const SeenMessageWindow&)> callback);

  std::vector<SeenMessageWindow> Seen() const;
  std::vector<std::string> Texts() const;

 private:
  void Watch();
  void Answer(HWND window);

  std::string caption_;
  DWORD processId_;
  std::atomic<bool> stopping_{false};
  mutable std::mutex lock_;
  std::vector<SeenMessageWindow> seen_;
  std::function<void(const SeenMessageWindow&)> onShown_;
  std::thread watcher_;
};

// The caption the installer gives its message windows in this process, or
// in a process of the program `executablePath`.
std::string InstallerCaptionOfThisProcess();
std::string InstallerCaptionOf(const std::string& executablePath);

// True when a display is present, so message windows really block.
bool DisplayAvailable();
