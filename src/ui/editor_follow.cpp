// Following CONFIGS.DAT: while the window holds nothing unsaved, a change that another program
// (qvconf in a script, a second editor) makes to the file is loaded, as text editors follow a
// file changed on disk, and a notice beside the buttons says so. With unsaved work nothing is
// loaded behind the operator's back: Save asks about the change instead.
#include <string>

#include "common/win_text.h"
#include "config/config_store.h"
#include "i18n/ui_strings.h"
#include "ui/browser_form.h"
#include "ui/editor_window.h"
#include "ui/network_wait.h"

namespace qv::ui {
namespace {

// The notice's place at 96 dpi: right of Exit, below the pages, three lines high.
constexpr RECT kNoticeBounds{436, 501, 610, 548};

}  // namespace

void TForm1::CreateNotice() {
  const HWND hwnd = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_LEFT | SS_NOPREFIX, 0, 0, 0,
                                    0, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
  notice_.Attach(hwnd);
}

void TForm1::PlaceNotice() {
  notice_.Move(Scale(kNoticeBounds.left), Scale(kNoticeBounds.top),
               Scale(kNoticeBounds.right - kNoticeBounds.left),
               Scale(kNoticeBounds.bottom - kNoticeBounds.top));
}

void TForm1::ShowNotice(const std::wstring& text) {
  notice_.SetText(text);
  notice_.Show(SW_SHOWNA);
}

void TForm1::HideNotice() {
  if (IsWindowVisible(notice_.handle())) notice_.Show(SW_HIDE);
}

void TForm1::StartFollowingFile() {
  watched_ = ReadFileKey();
  SetTimer(hwnd_, kFollowTimer, kFollowIntervalMs, nullptr);
}

TForm1::FileKey TForm1::ReadFileKey() const {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(ConfigLocation(directory_).path().c_str(), GetFileExInfoStandard,
                            &data)) {
    return {};
  }
  return {true, data.nFileSizeLow, data.nFileSizeHigh, data.ftLastWriteTime.dwLowDateTime,
          data.ftLastWriteTime.dwHighDateTime};
}

void TForm1::OnFollowTimer() {
  // A look at the file's size and time costs little; its bytes are read only when they moved.
  const FileKey key = ReadFileKey();
  if (key == watched_) return;
  if (FollowFile()) watched_ = key;
}

bool TForm1::MayFollowNow() const {
  // Not under a question, a dialog or a browse, whose code still works on what the window shows.
  return IsWindowEnabled(hwnd_) && !browsing_ && !NetworkWait::Busy() &&
         !HasUnsavedWork();
}

bool TForm1::FollowFile() {
  if (!MayFollowNow()) return false;
  // Another program in the middle of its read and write holds the turn: the next look comes.
  ConfigEditTurn turn;
  if (!turn.Take(directory_, 0)) return false;
  ConfigDocument loaded_doc;
  loaded_doc.SetLeadBytes(doc_.lead_bytes());
  // The load stamps the bytes in the same pass, so one read tells whether they changed.
  const LoadResult loaded = LoadConfig(directory_, loaded_doc);
  turn.Release();
  // A file gone is not an empty configuration: the window keeps what it shows, and Save asks.
  if (!ChangedSince(disk_stamp_, loaded.stamp) || !loaded.stamp.exists) return true;
  const int position = SelectedTask();
  const std::string selected =
      position >= 0 ? doc_.tasks[static_cast<std::size_t>(position)].Name() : std::string();
  doc_ = std::move(loaded_doc);
  load_loss_ = loaded.loss;
  disk_stamp_ = loaded.stamp;
  ShowDocument(position >= 0 ? doc_.FindTask(selected) : -1);
  ShowNotice(UiText(kUiFileReloaded));
  if (load_loss_.Any()) ReportFileNotLoaded();
  return true;
}

}  // namespace qv::ui
