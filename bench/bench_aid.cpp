// halvoran-bench-aid: the figures bench/run.sh needs that timing cannot give.
//   pages PAGE...        for the connect, each page GET and the disconnect:
//                        "NAME TOOL_BYTES PRINTER_BYTES" as they cross the line
//   firmware BYTES FILE  writes a valid firmware upload file of BYTES bytes
// The request bytes come from the tool's own request builder, the answers
// from the simulated printer in virtual time, so they match the real link.
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bridge/panel_bridge.h"
#include "bridge/request_builder.h"
#include "link/frames.h"
#include "platform/clock.h"
#include "printer_sim.h"
#include "upload_envelope.h"

namespace {

using namespace halvoran;

// The serial wake burst: ten XON/XOFF pairs before the connect command.
constexpr size_t kWakeBurstBytes = 20;

size_t Drain(sim::PrinterSim& printer, VirtualTime& time) {
    size_t total = 0;
    uint8_t buffer[4096];
    while (std::optional<uint32_t> due = printer.MsUntilOutput()) {
        time.Advance(*due);
        total += printer.TakeOutput(buffer, sizeof buffer);
    }
    return total;
}

int Pages(int argc, char** argv) {
    VirtualTime time;
    sim::PrinterSim printer(time, sim::SimOptions{});
    const ModeCommand connect = MakeModeCommand(kModeConnect);
    printer.Feed(connect.data(), connect.size());
    std::printf("connect %zu %zu\n", kWakeBurstBytes + connect.size(), Drain(printer, time));
    auto bridge = std::make_unique<PanelBridge>();
    for (int i = 0; i < argc; ++i) {
        if (!BuildRequest(argv[i], kRequestGet, *bridge)) {
            std::fprintf(stderr, "cannot build a request for %s\n", argv[i]);
            return 1;
        }
        printer.Feed(bridge->RequestBuffer, bridge->RequestLength);
        std::printf("%s %u %zu\n", argv[i], bridge->RequestLength, Drain(printer, time));
    }
    std::printf("disconnect %zu 0\n", kModeCommandSize);
    return 0;
}

int Firmware(const char* bytesText, const char* path) {
    const unsigned long wanted = std::stoul(bytesText);
    const size_t header = sim::MakeFirmwareFile("FLA", 0).size();
    if (wanted <= header) return 1;
    const std::vector<uint8_t> file = sim::MakeFirmwareFile("FLA", static_cast<uint32_t>(wanted - header));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    if (!out) return 1;
    std::printf("%zu\n", file.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "pages" && argc > 2) return Pages(argc - 2, argv + 2);
    if (command == "firmware" && argc == 4) return Firmware(argv[2], argv[3]);
    std::fprintf(stderr, "usage: halvoran-bench-aid pages PAGE... | firmware BYTES FILE\n");
    return 2;
}
