// Every text the program shows in two languages, English first, in UTF-8.
// This table is the only copy of these strings in the program.
#pragma once
#include <atomic>
#include <cstdint>

namespace halvoran {

struct TextPair {
    const char* English;
    const char* Chinese;
};

namespace text {

inline constexpr TextPair WindowTitle{"Halvoran Printer Config Tool V", "Halvoran 高速系列打印机配置工具V"};
inline constexpr TextPair AboutItem{"About...", "关于本程序"};
inline constexpr TextPair StatusLabel{"State:", "连接状态:"};
inline constexpr TextPair InterfaceLpt{"LPT Port", "并行接口"};
inline constexpr TextPair InterfaceUsb{"USB Port", "USB接口"};
inline constexpr TextPair InterfaceCom{"COM Port", "串行接口"};
inline constexpr TextPair BaudLabel{"Baud :", "波特率:"};
inline constexpr TextPair FormatLabel{"Format :", "串口格式:"};
inline constexpr TextPair SelectPortLabel{"SelectPort:", "  选择接口:"};
inline constexpr TextPair ConnectButton{"Connect", "连 接"};
inline constexpr TextPair DisconnectButton{"DisConnect", "断开连接"};
inline constexpr TextPair CannotOpenPort{" Cannot open port !", "打开端口失败!"};
inline constexpr TextPair ConnectFailed{"Fail to connect printer, please check connection", "连接失败，请检查线路及设备!"};
inline constexpr TextPair Connected{"Printer has been successfully connected ", "已连接!"};
inline constexpr TextPair Connecting{"Connecting the printer, please wait!", "正在连接打印机，请等待!"};
inline constexpr TextPair ResetRequired{"This change requires a reset of the printer, please wait ",
                                        "当前修改使打印机复位,请不要退出! (重启后程序将自动连接!)"};
inline constexpr TextPair StopWhileRebooting{"The printer is rebooting. Are you sure to stop the Configuration Tool anyway!",
                                             "正在等待打印机重启，确定退出吗!"};
inline constexpr TextPair CommunicationError{"Communication error, check the connection and restart the config tool! ",
                                             "不能与打印机正常通讯，请关闭本程序并重试!"};
inline constexpr TextPair PageLoaded{" is loaded !", " 已加载 !"};
inline constexpr TextPair InvalidFirmware{"invalid firmware, please select a valid firmware", "文件格式不正确 ， 下载失败!  "};
inline constexpr TextPair FirmwareStarts{"Firmware download in process, please wait ", "开始发送数据，请等待!"};
inline constexpr TextPair FirmwareCompleted{"Download process completed, config tool terminates in few seconds",
                                            "版本文件已发送完毕，打印机将开始下载进程(下载完成前不要关闭打印机）! "};
inline constexpr TextPair FirmwareFailed{"Download failed, config tool terminates in few seconds",
                                         "数据发送失败, 本程序将断开连接 !"};
inline constexpr TextPair SendingProgress{"Sending data to printer : ", "正在发送数据到打印机： "};
inline constexpr TextPair InvalidConfig{"invalid cfg file, please select a valid file", "配置文件格式不正确 ， 下载失败!  "};
inline constexpr TextPair ConfigStarts{"Cfg download in process, please wait ", "开始下载进程，请等待!"};
inline constexpr TextPair ConfigCompleted{"Download process completed, config tool terminates in few seconds",
                                          "配置文件已下载到打印机，应用程序将退出 !"};
inline constexpr TextPair ConfigFailed{"Download failed, config tool terminates in few seconds", "下载失败, 应用程序将退出 !"};
inline constexpr TextPair StopWhileDownloading{"Download in process , do you sure stop the app? ", "正在发送数据, 确认退出吗 !"};
inline constexpr TextPair SerialSettingsChanged{"Change the uartport setting , config tool terminates in few seconds",
                                                "接口参数已更改，程序将自动关闭 !"};
inline constexpr TextPair NotConnected{"Not connected to printer", "未连接到打印机"};
inline constexpr TextPair AlreadyExists{" already exists, overwrite it?", "已存在,覆盖它吗?"};

// Texts that are not bilingual.
inline constexpr const char* BoxCaption = "Config Tool";
inline constexpr const char* AlreadyRunning = "One Program is running";
inline constexpr const char* Version = "1.5";

}  // namespace text

// 0 English, 1 Chinese; fixed at start-up from the settings file.
uint8_t LanguageIndex();
void SetLanguageIndex(uint8_t index);
// The wording of pair in the current language.
const char* Tr(const TextPair& pair);

}  // namespace halvoran
