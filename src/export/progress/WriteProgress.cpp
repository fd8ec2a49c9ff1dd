#include "export/progress/WriteProgress.h"

namespace exl {

namespace {

class NoProgress : public WriteProgress {
public:
    void Advance(const WritePosition&) override {}
};

}  // namespace

WriteProgress& WriteProgress::None() {
    static NoProgress none;
    return none;
}

}  // namespace exl
