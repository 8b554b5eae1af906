// Prints how qvconf's import of a configuration compares with its export of the same tasks, at
// growing task counts, with the goals: import stays within a small factor of export at every
// size (it parses the JSON into a tree, which costs about twice writing it), and that factor does
// not grow with the count: import is linear, as export is (the import that grew with the square
// of the count took 68 times export's time at 16,000 new tasks, and 228 times at 64,000). Both run
// in this process, on the document in memory: ImportJson parses the JSON and applies it through
// the editor's rules, ExportJson writes it; reading and writing CONFIGS.DAT is config_bench's.
// Portable: built natively (the release preset) and for Windows.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/code_page.h"
#include "cli/config_json.h"
#include "config/document.h"

namespace {

constexpr int kCounts[] = {1000, 4000, 16000, 64000};
constexpr int kRounds = 5;
constexpr double kRatioGoal = 3.0;   // import / export at every count
// That ratio at the largest count over at the smallest: 1 for import as linear as export, up to
// about 2 from the caches and the fresh memory of 35 MB of records at 64,000 tasks; the import
// that grew with the square of the count gave 71.
constexpr double kGrowthGoal = 2.0;

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

qv::ConfigDocument MakeDocument(int count, const char* name_prefix) {
  qv::ConfigDocument doc;
  doc.SetHost("sync.example.org");
  doc.SetUser("operator");
  doc.SetPassword("secret");
  doc.tasks.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    qv::TaskRecord& task = doc.tasks.emplace_back();
    task.SetName(name_prefix + std::to_string(i));
    const std::string department = std::to_string(i % 97), n = std::to_string(i);
    task.SetSource("/srv/share/department" + department + "/folder" + n);
    task.SetTarget("D:\\Sync\\Department" + department + "\\Folder" + n);
  }
  return doc;
}

const char* Verdict(bool met) { return met ? "met" : "NOT MET"; }

struct Row {
  int count;
  double import_ms, export_ms, ratio;
};

// Median of the rounds' own ratios, each round exporting and then importing the same tasks into
// a copy of `start`, so that both sides of a ratio meet the same moment of a busy machine.
std::optional<Row> Measure(int count, const qv::ConfigDocument& start, const qv::cli::CodePage& code_page) {
  const qv::ConfigDocument source = MakeDocument(count, "Task");
  std::vector<double> imports, exports, ratios;
  for (int round = 0; round < kRounds; ++round) {
    const auto t0 = std::chrono::steady_clock::now();
    const std::string json = qv::cli::ExportJson(source, code_page, false);
    const auto t1 = std::chrono::steady_clock::now();
    qv::ConfigDocument doc = start;
    const auto t2 = std::chrono::steady_clock::now();
    const qv::cli::ImportResult result = qv::cli::ImportJson(json, doc, code_page, "NewTask");
    const auto t3 = std::chrono::steady_clock::now();
    if (result.kind != qv::cli::ImportResult::Kind::kApplied ||
        doc.tasks.size() != source.tasks.size() ||
        doc.tasks.back().Name() != source.tasks.back().Name() ||
        doc.tasks.back().Target() != source.tasks.back().Target()) {
      std::printf("import of %d tasks did not give them back: %s\n", count, result.error.c_str());
      return std::nullopt;
    }
    exports.push_back(Milliseconds(t1 - t0));
    imports.push_back(Milliseconds(t3 - t2));
    ratios.push_back(imports.back() / exports.back());
  }
  return Row{count, Median(imports), Median(exports), Median(ratios)};
}

}  // namespace

int main() {
  const std::optional<qv::cli::CodePage> code_page = qv::cli::CodePage::Open(1252);
  if (!code_page) {
    std::printf("code page 1252 cannot be converted here\n");
    return 1;
  }
  struct Case {
    const char* what;
    bool over_others;  // into a file of as many tasks of other names, else into an empty one
  };
  for (const Case c : {Case{"into an empty file (every task new)", false},
                       Case{"over as many tasks of other names (every task renamed)", true}}) {
    std::printf("import against export of the same tasks, %s; %d rounds, medians\n", c.what,
                kRounds);
    std::printf("%8s %12s %12s %14s  %s\n", "tasks", "import ms", "export ms", "import/export",
                "goal");
    std::vector<Row> rows;
    for (const int count : kCounts) {
      const qv::ConfigDocument start =
          c.over_others ? MakeDocument(count, "Other") : qv::ConfigDocument();
      const std::optional<Row> measured = Measure(count, start, *code_page);
      if (!measured) return 1;
      const Row& row = *measured;
      const bool met = row.ratio <= kRatioGoal;
      std::printf("%8d %12.1f %12.1f %14.2f  <= %.2f %s\n", row.count, row.import_ms, row.export_ms,
                  row.ratio, kRatioGoal, Verdict(met));
      rows.push_back(row);
    }
    const double growth = rows.back().ratio / rows.front().ratio;
    const bool met = growth <= kGrowthGoal;
    std::printf("import/export at %d tasks over at %d: %.2f  <= %.2f %s (linear: no growth)\n",
                rows.back().count, rows.front().count, growth, kGrowthGoal, Verdict(met));
  }
  return 0;
}
