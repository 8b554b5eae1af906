#pragma once
// What each entry of the three tables must show on screen, written as readable UTF-8.
#include "i18n/ui_strings.h"

namespace qv::test {

static_assert(sizeof("宋") == 4, "this file must be compiled as UTF-8 into UTF-8 literals");

struct ExpectedText {
  const char* simplified_chinese;
  const char* traditional_chinese;
  const char* english;
};

inline constexpr ExpectedText kExpectedTexts[] = {
    {"Quorvel文件更新软件-配置程序",  // 0
     "Quorvel檔案更新軟體-配置程式",
     "Quorvel File Synchronizer - Editor"},
    {"保存(&S)", "保存(&S)", "&Save"},  // 1
    {"关闭(&X)", "關閉(&X)", "E&xit"},  // 2
    {"任务", "工作", "Task"},  // 3
    {"其它", "其它", "Other"},  // 4
    {"添加(&A)", "添加(&A)", "&Add"},  // 5
    {"删除(&D)", "移除(&D)", "&Del"},  // 6
    {"源文件夹", "源資料夾", "Source"},  // 7
    {"目标文件夹", "目標資料夾", "Target"},  // 8
    {"服务器:", "伺服器:", "Host:"},  // 9
    {"端口:", "埠:", "Port:"},  // 10
    {"用户名:", "用戶名:", "Username:"},  // 11
    {"密码:", "密碼:", "Password:"},  // 12
    {"任务名称", "工作名稱", "Task Name"},  // 13
    {"新任务", "新工作", "NewTask"},  // 14
    {"任务名称无效!", "工作名稱無效!", "Invalid task name!"},  // 15
    {"任务名称重复!", "工作名稱重復!", "Repeated task name!"},  // 16
    {"配置已修改, 需要保存吗？",  // 17
     "配置已修改, 需要儲存嗎？",
     "Config modified, Save or Not?"},
    {"确认", "確認", "Confirm"},  // 18
    {"更新间隔:", "更新間隔:", "Interval:"},  // 19
    {"(单位:分钟, 0表示不使用定时更新)",  // 20
     "(單位:分鐘, 0表示不使用定時更新)",
     "(By minute, 0 represent disable the timer)"},
    {"请选择目标文件夹", "請選擇目標資料夾", "Please select target folder"},  // 21
    {"浏览文件夹", "瀏覽資料夾", "Browse for Folder"},  // 22
    {"请选择源文件夹", "請選擇源資料夾", "Please select source folder"},  // 23
    {"确定", "確定", "Ok"},  // 24
    {"取消", "取消", "Cancel"},  // 25
    {"连接服务器失败!", "連接伺服器失敗!", "Failed to connect to server!"},  // 26
    {"登录失败!", "登入失敗!", "Failed to logon!"},  // 27
    {"限制速度(KB/S):", "限制速度(KB/S):", "Speed limit(KB/S):"},  // 28
    {"配置文件未能完整读取!", "配置檔案未能完整讀取!", "Config file not loaded completely!"},  // 29
    {"配置文件未能完整读取, 需要覆盖吗？",  // 30
     "配置檔案未能完整讀取, 需要覆蓋嗎？",
     "Config file not loaded completely, Replace it or Not?"},
    {"配置文件无法保存这些字符:",  // 31
     "配置檔案無法儲存這些字元:",
     "These characters cannot be stored in the configuration file:"},
    {"配置文件无法保存该文件夹的名称, 将使用其短名称:",  // 32
     "配置檔案無法儲存該資料夾的名稱, 將使用其短名稱:",
     "The folder's name cannot be stored in the configuration file; its short name is used:"},
    {"无法选择该文件夹, 配置文件无法保存其名称:",  // 33
     "無法選擇該資料夾, 配置檔案無法儲存其名稱:",
     "The folder cannot be chosen: the configuration file cannot store its name:"},
    {"配置有未保存的修改。", "配置有未儲存的修改。", "The configuration has unsaved changes."},  // 34
    {"配置文件已被其他程序修改, 需要覆盖吗？",  // 35
     "配置檔案已被其他程式修改, 需要覆蓋嗎？",
     "Config file changed by another program, Replace it or Not?"},
    {"配置文件正被其他程序修改, 请稍后再试!",  // 36
     "配置檔案正被其他程式修改, 請稍後再試!",
     "Config file is being changed by another program, try again later!"},
    {"以下任务的目标文件夹相同或互相包含, 同步服务会覆盖自己复制的文件:",  // 37
     "以下任務的目標資料夾相同或互相包含, 同步服務會覆蓋自己複製的檔案:",
     "These tasks' target folders are the same folder or one inside the other, so the sync service would overwrite its own copies:"},
    {"%1 与 %2: 同一目标文件夹",  // 38
     "%1 與 %2: 同一目標資料夾",
     "%1 and %2: the same target folder"},
    {"%1: 目标文件夹位于 %2 的目标文件夹内",  // 39
     "%1: 目標資料夾位於 %2 的目標資料夾內",
     "%1: target folder inside the target folder of %2"},
    {"仍要保存吗？",  // 40
     "仍要儲存嗎？",
     "Save anyway?"},
    {"配置文件已被其他程序修改, 已重新载入。",  // 41
     "配置檔案已被其他程式修改, 已重新載入。",
     "Config file changed by another program, loaded again."},
    {"文件中未载入的任务数: ", "檔案中未載入的工作數: ",  // 42
     "Tasks in the file that were not loaded: "},
};
static_assert(sizeof(kExpectedTexts) / sizeof(kExpectedTexts[0]) == kUiStringCount);

inline constexpr ExpectedText kExpectedFontNames{"宋体", "細明體", "MS Sans Serif"};

inline const char* ExpectedFor(const ExpectedText& text, Language language) {
  switch (language) {
    case Language::kSimplifiedChinese:
      return text.simplified_chinese;
    case Language::kTraditionalChinese:
      return text.traditional_chinese;
    case Language::kEnglish:
      break;
  }
  return text.english;
}

}  // namespace qv::test
