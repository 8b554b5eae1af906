#include "cli/config_json.h"

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>

#include "cli/texts.h"
#include "common/utf8.h"
#include "config/record_fields.h"
#include "config/records.h"

namespace qv::cli {
namespace {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

// Thrown inside the import only; it becomes the result's message.
struct BadInput {
  std::string message;
};

OrderedJson TextJson(std::string_view bytes, const CodePage& code_page) {
  if (std::optional<std::string> text = code_page.Decode(bytes)) return *text;
  return OrderedJson{{"bytes", ToHex(bytes)}};
}

template <typename Keys>
void CheckKeys(const Json& object, const Keys& allowed, const std::string& where) {
  for (const auto& item : object.items()) {
    bool known = false;
    for (const std::string_view key : allowed) known = known || item.key() == key;
    if (!known) throw BadInput{where + ": unknown field " + QuotedInput(item.key())};
  }
}

const Json& Field(const Json& object, const char* key, const std::string& where) {
  const auto found = object.find(key);
  if (found == object.end()) throw BadInput{where + ": the field \"" + key + "\" is missing"};
  return *found;
}

std::string ReadText(const Json& value, const std::string& where, std::size_t capacity,
                     const CodePage& code_page) {
  std::string bytes;
  if (value.is_string()) {
    const std::string& utf8 = value.get_ref<const std::string&>();
    std::optional<std::string> encoded = code_page.Encode(utf8);
    if (!encoded) {
      throw BadInput{where + ": " + QuotedInput(utf8) + " has a character that code page " +
                     std::to_string(code_page.number()) +
                     " cannot hold; give its bytes as {\"bytes\": \"<hex>\"}"};
    }
    bytes = std::move(*encoded);
  } else if (value.is_object()) {
    const auto hex = value.find("bytes");
    if (value.size() != 1 || hex == value.end() || !hex->is_string()) {
      throw BadInput{where + ": expected a text or {\"bytes\": \"<hex>\"}"};
    }
    std::optional<std::string> raw = FromHex(hex->get_ref<const std::string&>());
    if (!raw) throw BadInput{where + ": \"bytes\" must be pairs of hexadecimal digits"};
    bytes = std::move(*raw);
  } else {
    throw BadInput{where + ": expected a text, found " + value.type_name()};
  }
  if (bytes.size() > capacity) {
    throw BadInput{where + ": " + std::to_string(bytes.size()) + " bytes, more than the " +
                   std::to_string(capacity) + " the field holds"};
  }
  return bytes;
}

std::int32_t ReadNumber(const Json& value, const std::string& where) {
  if (!value.is_number_integer()) {
    throw BadInput{where + ": expected a whole number, found " + std::string(value.type_name())};
  }
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  const bool fits = value.is_number_unsigned()
                        ? value.get<std::uint64_t>() <= static_cast<std::uint64_t>(kMax)
                        : value.get<std::int64_t>() >= kMin && value.get<std::int64_t>() <= kMax;
  if (!fits) throw BadInput{where + ": " + value.dump() + " does not fit in 32 bits"};
  return static_cast<std::int32_t>(value.get<std::int64_t>());
}

// Windows PowerShell redirects output as UTF-16 with a byte order mark; JSON saved that way is
// taken as what it says. None when it is not well-formed UTF-16.
std::optional<std::string> FromUtf16(std::string_view bytes) {
  const bool big_endian = static_cast<unsigned char>(bytes[0]) == 0xFE;
  bytes.remove_prefix(2);
  if (bytes.size() % 2 != 0) return std::nullopt;
  const auto unit = [&](std::size_t i) {
    const auto a = static_cast<unsigned char>(bytes[i]),
               b = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char32_t>(big_endian ? a << 8 | b : b << 8 | a);
  };
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 2 >= bytes.size()) return std::nullopt;
      const char32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    AppendUtf8(out, c);
  }
  return out;
}

bool HasUtf16Mark(std::string_view bytes) {
  return bytes.size() >= 2 &&
         ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
}

std::string TaskWhere(std::size_t i) { return "tasks[" + std::to_string(i) + "]"; }

std::vector<std::string_view> JsonKeys(std::span<const RecordField> fields) {
  std::vector<std::string_view> keys;
  for (const RecordField& field : fields) keys.push_back(field.json_key);
  return keys;
}

void ApplySettings(const Json& settings, ConfigDocument& doc, const CodePage& code_page) {
  if (!settings.is_object()) throw BadInput{"settings: expected an object"};
  CheckKeys(settings, JsonKeys(kSettingsFields), "settings");
  for (const RecordField& field : kSettingsFields) {
    const auto found = settings.find(field.json_key);
    if (found == settings.end()) continue;
    const std::string where = std::string("settings.") + field.json_key;
    const std::span<const std::uint8_t> record(doc.settings.bytes);
    // An import copies a whole configuration, the port with it; only an edit of one setting,
    // in the window or with `set`, leaves the port alone.
    if (HoldsText(field)) {
      const std::string text = ReadText(*found, where, field.capacity, code_page);
      if (text != FieldText(record, field)) doc.SetField(field.id, -1, text);
      continue;
    }
    const std::int32_t number = ReadNumber(*found, where);
    if (number != FieldNumber(record, field)) doc.SetField(field.id, -1, std::to_string(number));
  }
}

std::vector<TaskTexts> ReadTasks(const Json& tasks, const CodePage& code_page) {
  if (!tasks.is_array()) throw BadInput{"tasks: expected an array"};
  std::vector<TaskTexts> wanted;
  wanted.reserve(tasks.size());
  for (std::size_t i = 0; i < tasks.size(); ++i) {
    const Json& task = tasks[i];
    const std::string where = TaskWhere(i);
    if (!task.is_object()) throw BadInput{where + ": expected an object"};
    CheckKeys(task, JsonKeys(kTaskFields), where);
    TaskTexts& w = wanted.emplace_back();
    for (const RecordField& field : kTaskFields) {
      w.Text(field.id) = ReadText(Field(task, field.json_key, where),
                                  where + "." + field.json_key, field.capacity, code_page);
    }
  }
  return wanted;
}

}  // namespace

std::string ExportJson(const ConfigDocument& doc, const CodePage& code_page, bool hide_secrets) {
  OrderedJson root;
  root["code_page"] = code_page.number();
  OrderedJson settings = OrderedJson::object();
  const std::span<const std::uint8_t> record(doc.settings.bytes);
  for (const RecordField& field : kSettingsFields) {
    if (!HoldsText(field)) {
      settings[field.json_key] = FieldNumber(record, field);
    } else if (!(field.secret && hide_secrets && !FieldText(record, field).empty())) {
      settings[field.json_key] = TextJson(FieldText(record, field), code_page);
    }
  }
  root["settings"] = std::move(settings);
  OrderedJson tasks = OrderedJson::array();
  for (const TaskRecord& task : doc.tasks) {
    OrderedJson entry = OrderedJson::object();
    for (const RecordField& field : kTaskFields) {
      entry[field.json_key] = TextJson(FieldText(task.bytes, field), code_page);
    }
    tasks.push_back(std::move(entry));
  }
  root["tasks"] = std::move(tasks);
  return root.dump(2) + "\n";
}

ImportResult ImportJson(std::string_view json, ConfigDocument& doc, const CodePage& code_page,
                        std::string_view stem) {
  ImportResult result;
  std::optional<std::string> converted;
  if (HasUtf16Mark(json)) {
    converted = FromUtf16(json);
    if (!converted) {
      result.error = "malformed JSON: its UTF-16 is not well formed";
      return result;
    }
    json = *converted;
  }
  Json root;
  try {
    root = Json::parse(json);
  } catch (const Json::exception& e) {
    result.error = std::string("malformed JSON: ") + e.what();
    return result;
  }
  try {
    if (!root.is_object()) throw BadInput{"the JSON must be an object with settings and tasks"};
    CheckKeys(root, std::initializer_list<std::string_view>{"code_page", "settings", "tasks"},
              "the JSON");
    if (root.contains("code_page")) {
      const std::int32_t written_in = ReadNumber(root["code_page"], "code_page");
      if (static_cast<unsigned>(written_in) != code_page.number()) {
        throw BadInput{"code_page: the JSON was written in code page " +
                       std::to_string(written_in) + ", not " + std::to_string(code_page.number()) +
                       "; run with --code-page " + std::to_string(written_in)};
      }
    }
    // Everything is read and checked before anything changes, and the tasks are replaced in
    // place (a copy of a large document costs more than the import itself).
    const Json& settings = Field(root, "settings", "the JSON");
    ConfigDocument checked;
    checked.settings = doc.settings;
    ApplySettings(settings, checked, code_page);
    const std::vector<TaskTexts> wanted = ReadTasks(Field(root, "tasks", "the JSON"), code_page);
    std::vector<bool> named_before(wanted.size(), true);
    for (std::size_t i = 0; i < wanted.size() && i < doc.tasks.size(); ++i) {
      named_before[i] = !doc.tasks[i].NameView().empty();
    }
    const ReplaceResult replaced = doc.ReplaceTasks(wanted, stem);
    if (replaced.result != RenameResult::kAccepted) {
      result.kind = ImportResult::Kind::kRefused;
      result.error = TaskWhere(replaced.refused) + ".name: " +
                     Quoted(wanted[replaced.refused].name, code_page) +
                     " repeats another task's name (letter case aside)";
      return result;
    }
    const bool settings_change = checked.settings.bytes != doc.settings.bytes;
    if (settings_change) ApplySettings(settings, doc, code_page);
    for (std::size_t i = 0; i < wanted.size(); ++i) {
      const TaskTexts& w = wanted[i];
      const TaskRecord& task = doc.tasks[i];
      if (w.name.empty() && named_before[i]) {
        result.notes.push_back(TaskWhere(i) +
                               ".name: empty, as the editor never names a task; kept as given");
      }
      if (task.Source() != w.source) {
        result.notes.push_back(TaskWhere(i) + ".source: stored as " +
                               Quoted(task.Source(), code_page) + " (blanks trimmed)");
      }
      if (task.Target() != w.target) {
        result.notes.push_back(TaskWhere(i) + ".target: stored as " +
                               Quoted(task.Target(), code_page) + " (blanks trimmed)");
      }
    }

    result.kind = ImportResult::Kind::kApplied;
    result.changed = settings_change || replaced.changed;
  } catch (const BadInput& bad) {
    result.kind = ImportResult::Kind::kBadInput;
    result.error = bad.message;
    result.notes.clear();
  }
  return result;
}

}  // namespace qv::cli
