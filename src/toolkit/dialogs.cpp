#include "toolkit/dialogs.h"

#include <shlobj.h>

#include "text/sjis_path.h"

namespace toolkit {

namespace {

FolderDialog dialogForTest;

int CALLBACK SelectInitialFolder(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

std::optional<std::string> ShellFolderDialog(HWND owner, const std::string& title,
                                             const std::string& initialFolder) {
  char path[MAX_PATH] = {};
  BROWSEINFOA request{};
  request.hwndOwner = owner;
  request.pidlRoot = nullptr;  // the desktop
  request.pszDisplayName = path;
  request.lpszTitle = title.c_str();
  request.ulFlags = BIF_RETURNONLYFSDIRS;
  request.lpfn = SelectInitialFolder;
  request.lParam = reinterpret_cast<LPARAM>(initialFolder.c_str());
  request.iImage = 0;
  LPITEMIDLIST chosen = SHBrowseForFolderA(&request);
  std::optional<std::string> answer;
  // An item with no file-system path leaves only its display name in the
  // buffer, which is no folder to extract into: that counts as no choice.
  if (chosen && SHGetPathFromIDListA(chosen, path)) answer = std::string(path);
  CoTaskMemFree(chosen);
  return answer;
}

}  // namespace

void SetFolderDialogForTest(FolderDialog dialog) { dialogForTest = std::move(dialog); }

std::string BrowseForFolder(HWND owner, const std::string& title,
                            const std::string& initialFolder) {
  const std::string start = plenkit::WithoutClosingDelimiter(initialFolder);
  const std::optional<std::string> chosen =
      dialogForTest ? dialogForTest(owner, title, start) : ShellFolderDialog(owner, title, start);
  if (!chosen) return {};
  return plenkit::WithClosingDelimiter(*chosen);
}

}  // namespace toolkit
