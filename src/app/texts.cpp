#include "app/texts.h"

namespace halvoran {

namespace {
std::atomic<uint8_t> g_languageIndex{0};
}

uint8_t LanguageIndex() { return g_languageIndex.load(); }

void SetLanguageIndex(uint8_t index) { g_languageIndex = index & 1; }

const char* Tr(const TextPair& pair) { return LanguageIndex() == 0 ? pair.English : pair.Chinese; }

}  // namespace halvoran
