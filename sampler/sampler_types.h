// The sampler types: one table of codes 0..10 with their script constant,
// Sampler menu item, dialog radio button and the constants their setup
// installs; the current type (a global setting). Every place that stores,
// reads or maps a type code uses this one range.
#pragma once

#include <cstdint>

namespace ob {

enum SamplerTypeCode : int32_t {
    kSamplerSds12 = 0,
    kSamplerSds16 = 1,
    kSamplerProphet2000 = 2,
    kSamplerEps = 3,
    kSamplerEps16Plus = 4,
    kSamplerAsr10 = 5,
    kSamplerDss1 = 6,
    kSamplerAkaiS612 = 7,
    kSamplerSmdi = 8,
    kSamplerDsm1 = 9,
    kSamplerAkaiS1000 = 10,
};
// Valid codes are 0 .. kSamplerTypeCount - 1 (the settings store, the
// configuration record and obSetSamplerType all accept exactly these).
constexpr int32_t kSamplerTypeCount = 11;
inline bool ValidSamplerType(int64_t code) {
    return code >= 0 && code < kSamplerTypeCount;
}

struct SamplerTypeInfo {
    int32_t code;
    const char* constant;   // "OB_SAMPLER_SDS12"
    const char* menuText;   // "S&DS 12 Bit"; null when the type has no menu item
    int32_t menuId;         // 40301; 0 when none
    const char* radioText;  // "SDS 12 bit"; null when none
    int32_t radioId;        // 7722; 0 when none
};
extern const SamplerTypeInfo kSamplerTypes[kSamplerTypeCount];

// The type a code stands for wherever a type is set up or mapped to a menu
// item: codes outside 0..9 (10 included) are SDS 16 bit.
int32_t EffectiveSamplerType(int32_t code);
// The code of a Sampler menu item 40300..40309 or a radio button 7721..7730; -1 otherwise.
int32_t SamplerTypeOfMenuId(int32_t id);
int32_t SamplerTypeOfRadioId(int32_t id);

constexpr int32_t kMenuDynamicDialog = 40310;
// Display flag bit set when "Dynamic Dialog" is unchecked.
constexpr uint32_t kDisplayNoDynamicDialog = 0x0010;

// The current sampler type (OB_SAMPLER_SDS12 .. OB_SAMPLER_AKAIS1000).
extern int32_t gSamplerType;
// "Dynamic Dialog" checked: Send and Receive open the "Sampler Transfer" dialog.
extern bool gSamplerDynamicDialog;

}  // namespace ob
