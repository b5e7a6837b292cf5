// File dialogs on Windows: the system's open and save dialogs (comdlg32). Each runs on a
// thread of its own, so the host's thread never sits in the dialog's modal loop (where the
// host could close the editor under it); the answer is picked up on an idle tick. The
// thread holds a reference on this module, so a host that unloads the plug-in while the
// dialog is still open does not pull the code from under it.
#ifdef _WIN32
#include <windows.h>
#include <commdlg.h>
#include <objbase.h>

#include <atomic>
#include <cstring>

#include "platform/FileDialogRunners.h"
#include "platform/Window.h"

namespace {

// What the dialog thread and the editor share; each holds a reference.
struct TShared {
  TFileDialogOptions options;
  HWND owner = nullptr;
  HMODULE module = nullptr;   // the reference the thread releases as it ends
  std::atomic<int> state{0};  // a TRunningDialog::TState
  std::string path;           // written before `state` becomes Chosen
  std::atomic<DWORD> threadId{0};
};

// "Description|*.A;*.B" -> "Description\0*.A;*.B\0\0", as the dialog takes its filter.
std::string NativeFilter(const std::string& filter) {
  std::string out;
  for (const TFileFilter& f : ParseFileFilter(filter)) {
    out += f.Description;
    out.push_back('\0');
    for (size_t i = 0; i < f.Patterns.size(); ++i) {
      if (i > 0) out += ';';
      out += f.Patterns[i];
    }
    out.push_back('\0');
  }
  out.push_back('\0');
  return out;
}

DWORD WINAPI DialogThread(LPVOID parameter) {
  auto* held = static_cast<std::shared_ptr<TShared>*>(parameter);
  const HMODULE module = (*held)->module;
  {
    const std::shared_ptr<TShared> shared = *held;
    delete held;
    shared->threadId = GetCurrentThreadId();
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    const TFileDialogOptions& o = shared->options;
    char file[MAX_PATH] = {};
    std::strncpy(file, o.FileName.c_str(), MAX_PATH - 1);
    const std::string filter = NativeFilter(o.Filter);
    const std::string title = DialogTitle(o);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = shared->owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = o.InitialDir.empty() ? nullptr : o.InitialDir.c_str();
    ofn.lpstrTitle = title.c_str();
    // The toolkit's defaults (no overwrite question, no must-exist check); the host's
    // current folder is left as it was.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    const BOOL chosen = o.Kind == TFileDialogKind::Save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (chosen) shared->path = file;
    shared->state = static_cast<int>(chosen ? TRunningDialog::TState::Chosen : TRunningDialog::TState::Cancelled);
    if (SUCCEEDED(com)) CoUninitialize();
  }
  FreeLibraryAndExitThread(module, 0);
}

class TSystemDialog : public TRunningDialog {
 public:
  explicit TSystemDialog(std::shared_ptr<TShared> s) : shared(std::move(s)) {}
  ~TSystemDialog() override {
    // The editor closed with the dialog open: close it (as a cancel); its answer is dropped.
    if (shared->state != static_cast<int>(TState::Open)) return;
    if (const DWORD id = shared->threadId) {
      EnumThreadWindows(id, [](HWND w, LPARAM) -> BOOL { PostMessageA(w, WM_CLOSE, 0, 0); return TRUE; }, 0);
    }
  }
  TState Poll(std::string& path) override {
    const auto state = static_cast<TState>(shared->state.load());
    if (state == TState::Chosen) path = shared->path;
    return state;
  }

 private:
  std::shared_ptr<TShared> shared;
};

}  // namespace

std::unique_ptr<TRunningDialog> StartSystemDialog(TWindow& window, const TFileDialogOptions& options) {
  // A headless window has no screen to show a dialog on.
  HWND own = static_cast<HWND>(window.NativeHandle());
  if (own == nullptr) return nullptr;
  auto shared = std::make_shared<TShared>();
  shared->options = options;
  shared->owner = GetAncestor(own, GA_ROOT);
  // The thread's own reference on this module, released as the thread ends.
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&DialogThread), &module))
    return nullptr;
  shared->module = module;
  auto* held = new std::shared_ptr<TShared>(shared);
  HANDLE thread = CreateThread(nullptr, 0, DialogThread, held, 0, nullptr);
  if (thread == nullptr) {
    delete held;
    FreeLibrary(module);
    return nullptr;
  }
  CloseHandle(thread);
  return std::make_unique<TSystemDialog>(std::move(shared));
}
#endif
