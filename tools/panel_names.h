// The panel and sound indices of the plug-in, named for people reading a
// summary or a trace.
#pragma once

#include <array>

namespace tools {

// Panel indices the plug-in writes, in ascending order, and index 3, which it
// reads from the detail modules.
constexpr std::array<int, 20> kPluginPanelIndices = {3,   22,  26,  41,  42,  43,  68,  97,  130, 131,
                                                     132, 133, 135, 136, 220, 221, 222, 223, 232, 252};
// Sound indices the plug-in writes, in ascending order.
constexpr std::array<int, 14> kPluginSoundIndices = {95, 96, 97, 98, 107, 108, 109, 110, 111, 223, 224, 227, 228, 229};
// The simulator's keys the plug-in acts on, in ascending order.
constexpr std::array<int, 8> kPluginKeys = {0, 5, 6, 8, 9, 12, 13, 14};
// Lamps: on at 1, off at 0.
constexpr std::array<int, 6> kLampIndices = {41, 42, 43, 135, 136, 252};
// The four digit outputs of the adjustment mode, most significant first.
constexpr std::array<int, 4> kDigitIndices = {220, 221, 222, 223};
constexpr int kBlankDigit = 10;

// The five needles: speed, current, brake cylinder, main reservoir, line voltage.
constexpr std::array<int, 5> kNeedleIndices = {22, 26, 130, 133, 232};

// What the index means, in the language of the message catalogue, or nullptr
// for an index the plug-in leaves alone.
const char* panelIndexName(int index);
const char* soundIndexName(int index);
// The short name of a needle of kNeedleIndices, for the summary's needle lines.
const char* needleName(int index);

}  // namespace tools
