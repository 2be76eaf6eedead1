#include "download/download_file.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/files.h"
#include "support/temp_folder.h"

namespace halvoran {
namespace {

using Bytes = std::vector<uint8_t>;

// An image holding exactly these bytes, in a block of their size.
DownloadImage ImageOf(const Bytes& bytes) {
    DownloadImage image;
    image.Size = static_cast<uint32_t>(bytes.size());
    image.Data = std::make_unique<uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), image.Data.get());
    return image;
}

void PutLength32(Bytes& file, size_t at, uint32_t n) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(n >> (8 * i));
}

// A firmware file of `size` bytes: signature, tag, length field n at offset,
// every other byte 0xA5 so that nothing but the envelope can decide.
Bytes Firmware(const char* tag, size_t lengthOffset, uint32_t n, size_t size) {
    Bytes file(size, 0xA5);
    std::copy(FirmwareSignature.begin(), FirmwareSignature.end(), file.begin());
    std::copy(tag, tag + 3, file.begin() + 13);
    PutLength32(file, lengthOffset, n);
    return file;
}

// A configuration file with length field l, `body` body bytes and the trailer.
Bytes Config(uint16_t l, size_t body, uint8_t free9 = 0, uint8_t free10 = 0) {
    Bytes file(ConfigSignature.begin(), ConfigSignature.end());
    file.insert(file.end(), {free9, free10, static_cast<uint8_t>(l), static_cast<uint8_t>(l >> 8)});
    file.insert(file.end(), body, 0x1B);
    file.insert(file.end(), {0x1B, 0x5C});
    return file;
}

Bytes With(Bytes file, size_t at, uint8_t value) {
    file[at] = value;
    return file;
}

Bytes Truncated(Bytes file, size_t size) {
    file.resize(size);
    return file;
}

Bytes Appended(Bytes file, std::initializer_list<uint8_t> more) {
    file.insert(file.end(), more);
    return file;
}

struct EnvelopeCase {
    const char* Name;
    Bytes File;
    bool Firmware;
    bool Config;
};

std::vector<EnvelopeCase> EnvelopeCases() {
    const Bytes fla = Firmware("FLA", 33, 100, 137);
    const Bytes config = Config(20, 20);
    Bytes swappedFirmware = fla;  // right lengths, configuration wording "V25MiHi"
    std::copy(ConfigSignature.begin(), ConfigSignature.end(), swappedFirmware.begin());
    Bytes swappedConfig = config;  // right lengths, firmware wording "V25MIHI"
    std::copy(FirmwareSignature.begin(), FirmwareSignature.begin() + 9, swappedConfig.begin());
    Bytes reversedTrailer = config;
    std::swap(reversedTrailer[reversedTrailer.size() - 2], reversedTrailer[reversedTrailer.size() - 1]);
    Bytes largest = Config(65535, 65535);
    return {
        // Firmware: each tag with its length offset and size constant.
        {"FlaExact", fla, true, false},
        {"FlaOneLonger", Appended(fla, {0}), false, false},
        {"FlaOneShorter", Truncated(fla, 136), false, false},
        {"FrmExact", Firmware("FRM", 33, 100, 141), true, false},
        {"FlmExact", Firmware("FLM", 34, 100, 138), true, false},
        {"MonExact", Firmware("MON", 34, 100, 146), true, false},
        {"MonWithFlaConstant", Firmware("MON", 34, 100, 137), false, false},
        {"FlmLengthAtFlaOffset", Firmware("FLM", 33, 100, 138), false, false},
        {"FlaEmptyBody", Firmware("FLA", 33, 0, 37), true, false},
        {"LengthHighBytesCount", Firmware("FLA", 33, 0x01000000 + 3, 40), false, false},
        {"LowerCaseTag", Firmware("fla", 33, 100, 137), false, false},
        {"UnknownTag", Firmware("FLB", 33, 100, 137), false, false},
        {"Byte10Is0x12", With(fla, 10, 0x12), false, false},
        {"SignatureClosingDiffers", With(fla, 12, 0x5D), false, false},
        {"FirmwareWithConfigWording", swappedFirmware, false, false},
        // Sums that would wrap in 32 bits: 0xFFFFFFFF + 46 = 45, + 41 = 40.
        {"MonLengthWrapsTo45", Firmware("MON", 34, 0xFFFFFFFF, 45), false, false},
        {"FrmLengthWrapsTo40", Firmware("FRM", 33, 0xFFFFFFFF, 40), false, false},
        // Firmware files shorter than the fields read.
        {"Empty", {}, false, false},
        {"SignaturePart", Truncated(fla, 12), false, false},
        {"SignatureOnly", Truncated(fla, 13), false, false},
        {"TagPart", Truncated(fla, 15), false, false},
        {"FlaLengthPart", Truncated(fla, 36), false, false},
        {"MonLengthPart", Truncated(Firmware("MON", 34, 0, 46), 37), false, false},
        // Configuration.
        {"ConfigExact", config, false, true},
        {"ConfigFreeBytesAnyValue", Config(20, 20, 0xFF, 0x1B), false, true},
        {"ConfigSmallest", Config(0, 0), false, true},
        {"ConfigLargest", largest, false, true},
        {"ConfigLengthOneMore", Config(21, 20), false, false},
        {"ConfigExtraAfterTrailer", Appended(config, {0x1B, 0x5C}), false, false},
        {"ConfigReversedTrailer", reversedTrailer, false, false},
        {"ConfigWithFirmwareWording", swappedConfig, false, false},
        {"ConfigHeaderPart", Truncated(config, 12), false, false},
        {"ConfigHeaderOnly", Truncated(Config(0, 0), 13), false, false},
        {"ConfigSignatureOnly", Truncated(config, 9), false, false},
    };
}

class EnvelopeTest : public testing::TestWithParam<EnvelopeCase> {};

TEST_P(EnvelopeTest, FirmwareAndConfigChecks) {
    const DownloadImage image = ImageOf(GetParam().File);
    EXPECT_EQ(CheckFirmwareFile(image), GetParam().Firmware);
    EXPECT_EQ(CheckConfigFile(image), GetParam().Config);
}

INSTANTIATE_TEST_SUITE_P(Files, EnvelopeTest, testing::ValuesIn(EnvelopeCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(EnvelopeTest, LargestConfigIs65550Bytes) {
    EXPECT_EQ(Config(65535, 65535).size(), 65550u);
    EXPECT_EQ(Config(0, 0).size(), 15u);
}

TEST(EnvelopeTest, ChecksRejectAnEmptyImage) {
    DownloadImage none;
    EXPECT_FALSE(CheckFirmwareFile(none));
    EXPECT_FALSE(CheckConfigFile(none));
}

class LoadTest : public testing::Test {
protected:
    std::string WriteFile(const std::string& name, const Bytes& bytes) {
        return folder.Write(name, std::string(bytes.begin(), bytes.end()));
    }
    test::TempFolder folder;
    DownloadImage image;
};

TEST_F(LoadTest, LoadsTheWholeFileByteForByte) {
    Bytes bytes = Config(300, 300);
    for (size_t i = 13; i < 313; ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    ASSERT_TRUE(LoadDownloadFile(WriteFile("a.cfg", bytes), image));
    ASSERT_EQ(image.Size, bytes.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), image.Data.get()));
    EXPECT_TRUE(CheckConfigFile(image));
}

TEST_F(LoadTest, FailedLoadLeavesNoData) {
    ASSERT_TRUE(LoadDownloadFile(WriteFile("a.cfg", Config(0, 0)), image));
    const std::string fifo = folder.Path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {std::string(), folder.Path() + "/missing.bin", folder.Path(), fifo}) {
        SCOPED_TRACE(path);
        image = ImageOf({1, 2, 3});
        EXPECT_FALSE(LoadDownloadFile(path, image));
        EXPECT_EQ(image.Data, nullptr);
        EXPECT_EQ(image.Size, 0u);
    }
}

TEST_F(LoadTest, EmptyFileLoadsAndIsRejectedByBothChecks) {
    ASSERT_TRUE(LoadDownloadFile(WriteFile("empty", {}), image));
    EXPECT_EQ(image.Size, 0u);
    EXPECT_FALSE(CheckFirmwareFile(image));
    EXPECT_FALSE(CheckConfigFile(image));
}

TEST_F(LoadTest, FileHeldOpenForWritingIsRefused) {
    const std::string path = WriteFile("busy.cfg", Config(0, 0));
    int writer = ::open(path.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(writer, 0);
    EXPECT_FALSE(LoadDownloadFile(path, image));
    ::close(writer);
    EXPECT_TRUE(LoadDownloadFile(path, image));
}

TEST_F(LoadTest, UnreadableFileIsRefused) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads files whatever their mode";
    const std::string path = WriteFile("locked.cfg", Config(0, 0));
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    EXPECT_FALSE(LoadDownloadFile(path, image));
}

TEST_F(LoadTest, PathOf260CharactersLoadsAndLongerIsRefused) {
    // Folders of 50 characters until the file name reaches the exact length.
    auto pathOfLength = [&](size_t length) {
        std::string path = folder.Path();
        while (length - path.size() > 60) {
            path += "/" + std::string(49, 'd');
            std::filesystem::create_directories(path);
        }
        path += "/" + std::string(length - path.size() - 1, 'f');
        return path;
    };
    const Bytes bytes = Config(0, 0);
    for (size_t length : {kMaxDownloadPath, kMaxDownloadPath + 1}) {
        const std::string path = pathOfLength(length);
        ASSERT_EQ(path.size(), length);
        ASSERT_TRUE(WriteWholeFile(path, bytes.data(), bytes.size()));
        EXPECT_EQ(LoadDownloadFile(path, image), length == kMaxDownloadPath) << length;
    }
}

}  // namespace
}  // namespace halvoran
