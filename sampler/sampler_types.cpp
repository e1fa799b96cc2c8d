// The sampler type table and the current type.
#include "sampler/sampler_types.h"

namespace ob {

int32_t gSamplerType = kSamplerSds12;
bool gSamplerDynamicDialog = true;

const SamplerTypeInfo kSamplerTypes[kSamplerTypeCount] = {
    {kSamplerSds12, "OB_SAMPLER_SDS12", "S&DS 12 Bit", 40301, "SDS 12 bit", 7722},
    {kSamplerSds16, "OB_SAMPLER_SDS16", "&SDS 16 Bit", 40302, "SDS 16 bit", 7723},
    {kSamplerProphet2000, "OB_SAMPLER_P2000", "&Prophet 2000", 40303, "Prophet 2000", 7724},
    {kSamplerEps, "OB_SAMPLER_EPS", "Ensoniq &EPS", 40304, "Ensoniq EPS", 7725},
    {kSamplerEps16Plus, "OB_SAMPLER_EPS16P", "Ensoni&q EPS16+", 40305, "Ensoniq EPS 16+", 7726},
    {kSamplerAsr10, "OB_SAMPLER_ASR10", "Ensoniq &ASR10", 40306, "Ensoniq ASR", 7727},
    {kSamplerDss1, "OB_SAMPLER_DSS1", "&Korg DSS1", 40308, "Korg DSS-1", 7728},
    {kSamplerAkaiS612, "OB_SAMPLER_AKAIS612", "Aka&i S612", 40307, "Akai S-612", 7730},
    {kSamplerSmdi, "OB_SAMPLER_SMDI", "S&MDI (SCSI)", 40300, "SMDI (SCSI)", 7721},
    {kSamplerDsm1, "OB_SAMPLER_DSM1", "K&org DSM1", 40309, "Korg DSM-1", 7729},
    {kSamplerAkaiS1000, "OB_SAMPLER_AKAIS1000", nullptr, 0, nullptr, 0},
};

int32_t EffectiveSamplerType(int32_t code) {
    return code >= 0 && code <= kSamplerDsm1 ? code : kSamplerSds16;
}

int32_t SamplerTypeOfMenuId(int32_t id) {
    for (const SamplerTypeInfo& t : kSamplerTypes)
        if (t.menuId != 0 && t.menuId == id) return t.code;
    return -1;
}

int32_t SamplerTypeOfRadioId(int32_t id) {
    for (const SamplerTypeInfo& t : kSamplerTypes)
        if (t.radioId != 0 && t.radioId == id) return t.code;
    return -1;
}

}  // namespace ob
