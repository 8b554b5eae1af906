#include "i18n/ui_strings.h"

#include <iterator>

// The tables hold the bytes the texts have in their own code pages, so that they stay the same
// whatever code page the compiler or the build machine assumes; each line shows the characters.

namespace qv {
namespace {

// Code page 936 (GBK).
constexpr const char* kSimplifiedChineseTexts[] = {
    "Quorvel\xce\xc4\xbc\xfe\xb8\xfc\xd0\xc2\xc8\xed\xbc\xfe-\xc5\xe4"  //  0 Quorvel文件更新软件-配置程序
        "\xd6\xc3\xb3\xcc\xd0\xf2",
    "\xb1\xa3\xb4\xe6(&S)",                                             //  1 保存(&S)
    "\xb9\xd8\xb1\xd5(&X)",                                             //  2 关闭(&X)
    "\xc8\xce\xce\xf1",                                                 //  3 任务
    "\xc6\xe4\xcb\xfc",                                                 //  4 其它
    "\xcc\xed\xbc\xd3(&A)",                                             //  5 添加(&A)
    "\xc9\xbe\xb3\xfd(&D)",                                             //  6 删除(&D)
    "\xd4\xb4\xce\xc4\xbc\xfe\xbc\xd0",                                 //  7 源文件夹
    "\xc4\xbf\xb1\xea\xce\xc4\xbc\xfe\xbc\xd0",                         //  8 目标文件夹
    "\xb7\xfe\xce\xf1\xc6\xf7:",                                        //  9 服务器:
    "\xb6\xcb\xbf\xda:",                                                // 10 端口:
    "\xd3\xc3\xbb\xa7\xc3\xfb:",                                        // 11 用户名:
    "\xc3\xdc\xc2\xeb:",                                                // 12 密码:
    "\xc8\xce\xce\xf1\xc3\xfb\xb3\xc6",                                 // 13 任务名称
    "\xd0\xc2\xc8\xce\xce\xf1",                                         // 14 新任务
    "\xc8\xce\xce\xf1\xc3\xfb\xb3\xc6\xce\xde\xd0\xa7!",                // 15 任务名称无效!
    "\xc8\xce\xce\xf1\xc3\xfb\xb3\xc6\xd6\xd8\xb8\xb4!",                // 16 任务名称重复!
    "\xc5\xe4\xd6\xc3\xd2\xd1\xd0\xde\xb8\xc4, \xd0\xe8\xd2\xaa"        // 17 配置已修改, 需要保存吗？
        "\xb1\xa3\xb4\xe6\xc2\xf0\xa3\xbf",
    "\xc8\xb7\xc8\xcf",                                                 // 18 确认
    "\xb8\xfc\xd0\xc2\xbc\xe4\xb8\xf4:",                                // 19 更新间隔:
    "(\xb5\xa5\xce\xbb:\xb7\xd6\xd6\xd3, 0\xb1\xed\xca\xbe\xb2\xbb"     // 20 (单位:分钟, 0表示不使用定时更新)
        "\xca\xb9\xd3\xc3\xb6\xa8\xca\xb1\xb8\xfc\xd0\xc2)",
    "\xc7\xeb\xd1\xa1\xd4\xf1\xc4\xbf\xb1\xea\xce\xc4\xbc\xfe\xbc\xd0", // 21 请选择目标文件夹
    "\xe4\xaf\xc0\xc0\xce\xc4\xbc\xfe\xbc\xd0",                         // 22 浏览文件夹
    "\xc7\xeb\xd1\xa1\xd4\xf1\xd4\xb4\xce\xc4\xbc\xfe\xbc\xd0",         // 23 请选择源文件夹
    "\xc8\xb7\xb6\xa8",                                                 // 24 确定
    "\xc8\xa1\xcf\xfb",                                                 // 25 取消
    "\xc1\xac\xbd\xd3\xb7\xfe\xce\xf1\xc6\xf7\xca\xa7\xb0\xdc!",        // 26 连接服务器失败!
    "\xb5\xc7\xc2\xbc\xca\xa7\xb0\xdc!",                                // 27 登录失败!
    "\xcf\xde\xd6\xc6\xcb\xd9\xb6\xc8(KB/S):",                          // 28 限制速度(KB/S):
    "\xc5\xe4\xd6\xc3\xce\xc4\xbc\xfe\xce\xb4"                          // 29 配置文件未能完整读取!
        "\xc4\xdc\xcd\xea\xd5\xfb\xb6\xc1\xc8\xa1!",
    "\xc5\xe4\xd6\xc3\xce\xc4\xbc\xfe\xce\xb4"                          // 30 配置文件未能完整读取, 需要覆盖吗？
        "\xc4\xdc\xcd\xea\xd5\xfb\xb6\xc1\xc8\xa1, \xd0\xe8\xd2\xaa"
        "\xb8\xb2\xb8\xc7\xc2\xf0\xa3\xbf",
    "\xc5\xe4\xd6\xc3\xce\xc4\xbc\xfe\xce\xde\xb7\xa8\xb1\xa3"  // 31 配置文件无法保存这些字符:
        "\xb4\xe6\xd5\xe2\xd0\xa9\xd7\xd6\xb7\xfb:",
    "\xc5\xe4\xd6\xc3\xce\xc4\xbc\xfe\xce\xde\xb7\xa8\xb1\xa3"  // 32 配置文件无法保存该文件夹的名称, 将使用其短名称:
        "\xb4\xe6\xb8\xc3\xce\xc4\xbc\xfe\xbc\xd0\xb5\xc4\xc3\xfb"
        "\xb3\xc6, \xbd\xab\xca\xb9\xd3\xc3\xc6\xe4\xb6\xcc\xc3\xfb\xb3\xc6:",
    "\xce\xde\xb7\xa8\xd1\xa1\xd4\xf1\xb8\xc3\xce\xc4\xbc\xfe"  // 33 无法选择该文件夹, 配置文件无法保存其名称:
        "\xbc\xd0, \xc5\xe4\xd6\xc3\xce\xc4\xbc\xfe\xce\xde\xb7\xa8"
        "\xb1\xa3\xb4\xe6\xc6\xe4\xc3\xfb\xb3\xc6:",
    "\xc5\xe4\xd6\xc3\xd3\xd0\xce\xb4\xb1\xa3\xb4\xe6\xb5\xc4"  // 34 配置有未保存的修改。
        "\xd0\xde\xb8\xc4\xa1\xa3",
    "\xc5\xe4\xd6\xc3\xce\xc4\xbc\xfe\xd2\xd1\xb1\xbb\xc6\xe4"  // 35 配置文件已被其他程序修改, 需要覆盖吗？
        "\xcb\xfb\xb3\xcc\xd0\xf2\xd0\xde\xb8\xc4, \xd0\xe8"
        "\xd2\xaa\xb8\xb2\xb8\xc7\xc2\xf0\xa3\xbf",
    "\xc5\xe4\xd6\xc3\xce\xc4\xbc\xfe\xd5\xfd\xb1\xbb\xc6\xe4"  // 36 配置文件正被其他程序修改, 请稍后再试!
        "\xcb\xfb\xb3\xcc\xd0\xf2\xd0\xde\xb8\xc4, \xc7\xeb"
        "\xc9\xd4\xba\xf3\xd4\xd9\xca\xd4!",
    "\xd2\xd4\xcf\xc2\xc8\xce\xce\xf1\xb5\xc4\xc4\xbf\xb1\xea\xce\xc4\xbc\xfe\xbc\xd0\xcf\xe0\xcd\xac\xbb\xf2\xbb\xa5\xcf\xe0\xb0\xfc\xba\xac, \xcd\xac\xb2\xbd\xb7\xfe\xce\xf1\xbb\xe1\xb8\xb2\xb8\xc7\xd7\xd4\xbc\xba\xb8\xb4\xd6\xc6\xb5\xc4\xce\xc4\xbc\xfe:",  // 37 以下任务的目标文件夹相同或互相包含, 同步服务会覆盖自己复制的文件:
    "%1 \xd3\xeb %2: \xcd\xac\xd2\xbb\xc4\xbf\xb1\xea\xce\xc4\xbc\xfe\xbc\xd0",  // 38 %1 与 %2: 同一目标文件夹
    "%1: \xc4\xbf\xb1\xea\xce\xc4\xbc\xfe\xbc\xd0\xce\xbb\xd3\xda %2 \xb5\xc4\xc4\xbf\xb1\xea\xce\xc4\xbc\xfe\xbc\xd0\xc4\xda",  // 39 %1: 目标文件夹位于 %2 的目标文件夹内
    "\xc8\xd4\xd2\xaa\xb1\xa3\xb4\xe6\xc2\xf0\xa3\xbf",  // 40 仍要保存吗？
    "\xc5\xe4\xd6\xc3\xce\xc4\xbc\xfe\xd2\xd1\xb1\xbb\xc6\xe4\xcb\xfb\xb3\xcc\xd0\xf2\xd0\xde\xb8\xc4, \xd2\xd1\xd6\xd8\xd0\xc2\xd4\xd8\xc8\xeb\xa1\xa3",  // 41 配置文件已被其他程序修改, 已重新载入。
    "\xce\xc4\xbc\xfe\xd6\xd0\xce\xb4\xd4\xd8\xc8\xeb"  // 42 文件中未载入的任务数:
        "\xb5\xc4\xc8\xce\xce\xf1\xca\xfd: ",
};

// Code page 950 (Big5).
constexpr const char* kTraditionalChineseTexts[] = {
    "Quorvel\xc0\xc9\xae\xd7\xa7\xf3\xb7\x73\xb3\x6e\xc5\xe9-\xb0\x74"  //  0 Quorvel檔案更新軟體-配置程式
        "\xb8\x6d\xb5\x7b\xa6\xa1",
    "\xab\x4f\xa6\x73(&S)",                                             //  1 保存(&S)
    "\xc3\xf6\xb3\xac(&X)",                                             //  2 關閉(&X)
    "\xa4\x75\xa7\x40",                                                 //  3 工作
    "\xa8\xe4\xa5\xa6",                                                 //  4 其它
    "\xb2\x4b\xa5\x5b(&A)",                                             //  5 添加(&A)
    "\xb2\xbe\xb0\xa3(&D)",                                             //  6 移除(&D)
    "\xb7\xbd\xb8\xea\xae\xc6\xa7\xa8",                                 //  7 源資料夾
    "\xa5\xd8\xbc\xd0\xb8\xea\xae\xc6\xa7\xa8",                         //  8 目標資料夾
    "\xa6\xf8\xaa\x41\xbe\xb9:",                                        //  9 伺服器:
    "\xb0\xf0:",                                                        // 10 埠:
    "\xa5\xce\xa4\xe1\xa6\x57:",                                        // 11 用戶名:
    "\xb1\x4b\xbd\x58:",                                                // 12 密碼:
    "\xa4\x75\xa7\x40\xa6\x57\xba\xd9",                                 // 13 工作名稱
    "\xb7\x73\xa4\x75\xa7\x40",                                         // 14 新工作
    "\xa4\x75\xa7\x40\xa6\x57\xba\xd9\xb5\x4c\xae\xc4!",                // 15 工作名稱無效!
    "\xa4\x75\xa7\x40\xa6\x57\xba\xd9\xad\xab\xb4\x5f!",                // 16 工作名稱重復!
    "\xb0\x74\xb8\x6d\xa4\x77\xad\xd7\xa7\xef, \xbb\xdd\xad\x6e"        // 17 配置已修改, 需要儲存嗎？
        "\xc0\x78\xa6\x73\xb6\xdc\xa1\x48",
    "\xbd\x54\xbb\x7b",                                                 // 18 確認
    "\xa7\xf3\xb7\x73\xb6\xa1\xb9\x6a:",                                // 19 更新間隔:
    "(\xb3\xe6\xa6\xec:\xa4\xc0\xc4\xc1, 0\xaa\xed\xa5\xdc\xa4\xa3"     // 20 (單位:分鐘, 0表示不使用定時更新)
        "\xa8\xcf\xa5\xce\xa9\x77\xae\xc9\xa7\xf3\xb7\x73)",
    "\xbd\xd0\xbf\xef\xbe\xdc\xa5\xd8\xbc\xd0\xb8\xea\xae\xc6\xa7\xa8", // 21 請選擇目標資料夾
    "\xc2\x73\xc4\xfd\xb8\xea\xae\xc6\xa7\xa8",                         // 22 瀏覽資料夾
    "\xbd\xd0\xbf\xef\xbe\xdc\xb7\xbd\xb8\xea\xae\xc6\xa7\xa8",         // 23 請選擇源資料夾
    "\xbd\x54\xa9\x77",                                                 // 24 確定
    "\xa8\xfa\xae\xf8",                                                 // 25 取消
    "\xb3\x73\xb1\xb5\xa6\xf8\xaa\x41\xbe\xb9\xa5\xa2\xb1\xd1!",        // 26 連接伺服器失敗!
    "\xb5\x6e\xa4\x4a\xa5\xa2\xb1\xd1!",                                // 27 登入失敗!
    "\xad\xad\xa8\xee\xb3\x74\xab\xd7(KB/S):",                          // 28 限制速度(KB/S):
    "\xb0\x74\xb8\x6d\xc0\xc9\xae\xd7\xa5\xbc"                          // 29 配置檔案未能完整讀取!
        "\xaf\xe0\xa7\xb9\xbe\xe3\xc5\xaa\xa8\xfa!",
    "\xb0\x74\xb8\x6d\xc0\xc9\xae\xd7\xa5\xbc"                          // 30 配置檔案未能完整讀取, 需要覆蓋嗎？
        "\xaf\xe0\xa7\xb9\xbe\xe3\xc5\xaa\xa8\xfa, \xbb\xdd\xad\x6e"
        "\xc2\xd0\xbb\x5c\xb6\xdc\xa1\x48",
    "\xb0\x74\xb8\x6d\xc0\xc9\xae\xd7\xb5\x4c\xaa\x6b\xc0\x78"  // 31 配置檔案無法儲存這些字元:
        "\xa6\x73\xb3\x6f\xa8\xc7\xa6\x72\xa4\xb8:",
    "\xb0\x74\xb8\x6d\xc0\xc9\xae\xd7\xb5\x4c\xaa\x6b\xc0\x78"  // 32 配置檔案無法儲存該資料夾的名稱, 將使用其短名稱:
        "\xa6\x73\xb8\xd3\xb8\xea\xae\xc6\xa7\xa8\xaa\xba\xa6\x57"
        "\xba\xd9, \xb1\x4e\xa8\xcf\xa5\xce\xa8\xe4\xb5\x75\xa6\x57\xba\xd9:",
    "\xb5\x4c\xaa\x6b\xbf\xef\xbe\xdc\xb8\xd3\xb8\xea\xae\xc6"  // 33 無法選擇該資料夾, 配置檔案無法儲存其名稱:
        "\xa7\xa8, \xb0\x74\xb8\x6d\xc0\xc9\xae\xd7\xb5\x4c\xaa\x6b"
        "\xc0\x78\xa6\x73\xa8\xe4\xa6\x57\xba\xd9:",
    "\xb0\x74\xb8\x6d\xa6\xb3\xa5\xbc\xc0\x78\xa6\x73\xaa\xba"  // 34 配置有未儲存的修改。
        "\xad\xd7\xa7\xef\xa1\x43",
    "\xb0\x74\xb8\x6d\xc0\xc9\xae\xd7\xa4\x77\xb3\x51\xa8\xe4"  // 35 配置檔案已被其他程式修改, 需要覆蓋嗎？
        "\xa5\x4c\xb5\x7b\xa6\xa1\xad\xd7\xa7\xef, \xbb\xdd"
        "\xad\x6e\xc2\xd0\xbb\x5c\xb6\xdc\xa1\x48",
    "\xb0\x74\xb8\x6d\xc0\xc9\xae\xd7\xa5\xbf\xb3\x51\xa8\xe4"  // 36 配置檔案正被其他程式修改, 請稍後再試!
        "\xa5\x4c\xb5\x7b\xa6\xa1\xad\xd7\xa7\xef, \xbd\xd0"
        "\xb5\x79\xab\xe1\xa6\x41\xb8\xd5!",
    "\xa5H\xa4U\xa5\xf4\xb0\xc8\xaa\xba\xa5\xd8\xbc\xd0\xb8\xea\xae\xc6\xa7\xa8\xac\xdb\xa6P\xa9\xce\xa4\xac\xac\xdb\xa5]\xa7t, \xa6P\xa8" "B\xaa" "A\xb0\xc8\xb7|\xc2\xd0\xbb\x5c\xa6\xdb\xa4v\xbd\xc6\xbbs\xaa\xba\xc0\xc9\xae\xd7:",  // 37 以下任務的目標資料夾相同或互相包含, 同步服務會覆蓋自己複製的檔案:
    "%1 \xbbP %2: \xa6P\xa4@\xa5\xd8\xbc\xd0\xb8\xea\xae\xc6\xa7\xa8",  // 38 %1 與 %2: 同一目標資料夾
    "%1: \xa5\xd8\xbc\xd0\xb8\xea\xae\xc6\xa7\xa8\xa6\xec\xa9\xf3 %2 \xaa\xba\xa5\xd8\xbc\xd0\xb8\xea\xae\xc6\xa7\xa8\xa4\xba",  // 39 %1: 目標資料夾位於 %2 的目標資料夾內
    "\xa4\xb4\xadn\xc0x\xa6s\xb6\xdc\xa1H",  // 40 仍要儲存嗎？
    "\xb0t\xb8m\xc0\xc9\xae\xd7\xa4w\xb3Q\xa8\xe4\xa5L\xb5{\xa6\xa1\xad\xd7\xa7\xef, \xa4w\xad\xab\xb7s\xb8\xfc\xa4J\xa1" "C",  // 41 配置檔案已被其他程式修改, 已重新載入。
    "\xc0\xc9\xae\xd7\xa4\xa4\xa5\xbc\xb8\xfc\xa4\x4a"  // 42 檔案中未載入的工作數:
        "\xaa\xba\xa4\x75\xa7\x40\xbc\xc6: ",
};

// Code page 1252; plain ASCII.
constexpr const char* kEnglishTexts[] = {
    "Quorvel File Synchronizer - Editor",                               //  0
    "&Save",                                                            //  1
    "E&xit",                                                            //  2
    "Task",                                                             //  3
    "Other",                                                            //  4
    "&Add",                                                             //  5
    "&Del",                                                             //  6
    "Source",                                                           //  7
    "Target",                                                           //  8
    "Host:",                                                            //  9
    "Port:",                                                            // 10
    "Username:",                                                        // 11
    "Password:",                                                        // 12
    "Task Name",                                                        // 13
    "NewTask",                                                          // 14
    "Invalid task name!",                                               // 15
    "Repeated task name!",                                              // 16
    "Config modified, Save or Not?",                                    // 17
    "Confirm",                                                          // 18
    "Interval:",                                                        // 19
    "(By minute, 0 represent disable the timer)",                       // 20
    "Please select target folder",                                      // 21
    "Browse for Folder",                                                // 22
    "Please select source folder",                                      // 23
    "Ok",                                                               // 24
    "Cancel",                                                           // 25
    "Failed to connect to server!",                                     // 26
    "Failed to logon!",                                                 // 27
    "Speed limit(KB/S):",                                               // 28
    "Config file not loaded completely!",                               // 29
    "Config file not loaded completely, Replace it or Not?",            // 30
    "These characters cannot be stored in the configuration file:",     // 31
    "The folder's name cannot be stored in the configuration file; "    // 32
        "its short name is used:",
    "The folder cannot be chosen: the configuration file cannot store " // 33
        "its name:",
    "The configuration has unsaved changes.",                           // 34
    "Config file changed by another program, Replace it or Not?",       // 35
    "Config file is being changed by another program, try again later!", // 36
    "These tasks' target folders are the same folder or one inside the other, so the sync service would overwrite its own copies:",  // 37
    "%1 and %2: the same target folder",  // 38
    "%1: target folder inside the target folder of %2",  // 39
    "Save anyway?",  // 40
    "Config file changed by another program, loaded again.",  // 41
    "Tasks in the file that were not loaded: ",                         // 42
};

static_assert(std::size(kSimplifiedChineseTexts) == kUiStringCount);
static_assert(std::size(kTraditionalChineseTexts) == kUiStringCount);
static_assert(std::size(kEnglishTexts) == kUiStringCount);

constexpr UiStringTable kSimplifiedChinese{kSimplifiedChineseTexts, "\xcb\xce\xcc\xe5", 936};  // 宋体
constexpr UiStringTable kTraditionalChinese{kTraditionalChineseTexts,
                                            "\xb2\xd3\xa9\xfa\xc5\xe9", 950};  // 細明體
constexpr UiStringTable kEnglish{kEnglishTexts, "MS Sans Serif", 1252};

}  // namespace

const UiStringTable& TableFor(Language language) {
  switch (language) {
    case Language::kSimplifiedChinese:
      return kSimplifiedChinese;
    case Language::kTraditionalChinese:
      return kTraditionalChinese;
    case Language::kEnglish:
      break;
  }
  return kEnglish;
}

}  // namespace qv
