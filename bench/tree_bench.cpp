// Adds a 10,000-name listing to the folder browser's tree, once through the browser and once
// with a bare TVM_INSERTITEM loop over the same names already in UTF-16, in the same tree with
// its redrawing held off the same way, and prints the browser's time as a ratio to the bare
// loop's (goal: at most 1.1).
//
// Two cases: the top level while the window is hidden (as when the browser opens) and the
// children of a collapsed node in the shown window (as when the user expands it).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "common/win_text.h"
#include "net/name_list.h"
#include "ui/browser_form.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kNames = 10'000;
constexpr int kRounds = 15;

constexpr double kGoal = 1.1;

qv::NameList MakeNames() {
  static const char* const kStems[] = {"Projects", "Backup of the accounts department", "img",
                                       "Quarterly reports and minutes"};
  qv::NameList names;
  for (int i = 0; i < kNames; ++i) names.Append(std::string(kStems[i % 4]) + " " + std::to_string(i));
  return names;
}

void BareInsert(HWND tree, HTREEITEM parent, const std::vector<std::wstring>& texts) {
  SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
  for (const std::wstring& text : texts) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_CHILDREN;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.cChildren = 1;
    SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
  }
  SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree, nullptr, TRUE);
}

double Milliseconds(const std::function<void()>& work) {
  const Clock::time_point start = Clock::now();
  work();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Figures {
  double browser_ms;
  double bare_ms;
};

// `prepare` empties the tree and returns the parent to fill; it is not timed.
Figures Measure(qv::ui::TBrwForm& form, const std::function<HTREEITEM()>& prepare,
                const qv::NameList& names, const std::vector<std::wstring>& texts) {
  const HWND tree = form.Tree().handle();
  std::vector<double> browser, bare;
  for (int round = 0; round < kRounds; ++round) {
    // Alternate the order so that neither side always runs on a freshly emptied heap.
    for (int side = 0; side < 2; ++side) {
      const bool browser_side = (round + side) % 2 == 0;
      const HTREEITEM parent = prepare();
      if (browser_side) {
        browser.push_back(Milliseconds([&] { form.AddFolderNodes(parent, names); }));
      } else {
        bare.push_back(Milliseconds([&] { BareInsert(tree, parent, texts); }));
      }
    }
  }
  return {Median(browser), Median(bare)};
}

void Print(const char* label, const Figures& f) {
  std::printf("%-42s browser %8.2f ms   bare TVM_INSERTITEM %8.2f ms   ratio %.2f\n", label,
              f.browser_ms, f.bare_ms, f.browser_ms / f.bare_ms);
}

}  // namespace

int main() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  qv::ui::TBrwForm form;
  if (!form.Create(nullptr)) {
    std::fprintf(stderr, "tree_bench: cannot create the browser window (no display?)\n");
    return 1;
  }
  form.ApplyBrowserCaptions();

  const qv::NameList names = MakeNames();
  std::vector<std::wstring> texts;
  texts.reserve(names.size());
  for (std::string_view name : names) texts.push_back(qv::win::AnsiToWide(name));
  std::printf("%d names, median of %d rounds\n", kNames, kRounds);

  const Figures top = Measure(
      form,
      [&] {
        form.ClearFolderNodes();
        return TVI_ROOT;
      },
      names, texts);
  Print("top level, window hidden:", top);

  form.Show(SW_SHOWNOACTIVATE);
  const Figures children = Measure(
      form,
      [&] {
        form.ClearFolderNodes();
        form.AddFolderNodes(TVI_ROOT, qv::NameList{"Top", "Other"});
        return form.Tree().FirstChild(nullptr);
      },
      names, texts);
  Print("children of a collapsed node, window shown:", children);

  const double worst =
      std::max(top.browser_ms / top.bare_ms, children.browser_ms / children.bare_ms);
  std::printf("worst ratio %.2f (goal <= %.2f): %s\n", worst, kGoal,
              worst <= kGoal ? "met" : "NOT met");
  form.Show(SW_HIDE);
  return 0;
}
