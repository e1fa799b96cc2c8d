// Filter section designs and the section run.
#include "dsp/filter_sections.h"

#include <algorithm>
#include <cmath>

namespace ob {

double NormalisedFrequency(double hz, uint32_t rate) {
    if (rate == 0) return 0.475;
    return std::min(std::max(hz, 5.0) / double(rate), 0.475);
}

FilterSection FirstOrderSection(double f, bool lowPass, double a) {
    double t = std::tan(M_PI * f);
    double s = -1.0;
    if (lowPass) {
        t = 1.0 / t;
        s = 1.0;
    }
    FilterSection out;
    out.b0 = a / (t + a);
    out.b1 = s * out.b0;
    out.a1 = s * (a - t) / (t + a);
    return out;
}

FilterSection SecondOrderSection(double f, bool lowPass, double beta, double gamma) {
    double t = std::tan(M_PI * f);
    double s = -1.0;
    if (lowPass) {
        t = 1.0 / t;
        s = 1.0;
    }
    double d = beta * t + t * t + gamma;
    FilterSection out;
    out.secondOrder = true;
    out.b0 = gamma / d;
    out.b1 = 2.0 * s * out.b0;
    out.b2 = out.b0;
    out.a1 = 2.0 * s * (gamma - t * t) / d;
    out.a2 = (gamma - beta * t + t * t) / d;
    return out;
}

void OrderFiveSections(double f, bool lowPass, FilterSection out[3]) {
    out[0] = FirstOrderSection(f, lowPass, 0.3623196);
    out[1] = SecondOrderSection(f, lowPass, 0.2239258, 1.0357841);
    out[2] = SecondOrderSection(f, lowPass, 0.5862454, 0.4767669);
}

SectionState PrimeSection(const FilterSection& s, const float* before, uint32_t available) {
    SectionState st;
    if (s.secondOrder && before && available >= 2) {
        st.x1 = st.y1 = before[-1];
        st.x2 = st.y2 = before[-2];
    } else if (!s.secondOrder && before && available >= 1) {
        st.x1 = st.y1 = before[-1];
    }
    return st;
}

void RunSectionBlock(const FilterSection& s, SectionState& state, float* x, uint32_t n) {
    double x1 = state.x1, x2 = state.x2, y1 = state.y1, y2 = state.y2;
    if (s.secondOrder) {
        for (uint32_t i = 0; i < n; ++i) {
            double in = x[i];
            double y = s.b0 * in + s.b1 * x1 + s.b2 * x2 - s.a1 * y1 - s.a2 * y2;
            x2 = x1;
            x1 = in;
            y2 = y1;
            y1 = y;
            x[i] = float(y);
        }
    } else {
        for (uint32_t i = 0; i < n; ++i) {
            double in = x[i];
            double y = s.b0 * in + s.b1 * x1 - s.a1 * y1;
            x1 = in;
            y1 = y;
            x[i] = float(y);
        }
    }
    state = {x1, x2, y1, y2};
}

}  // namespace ob
