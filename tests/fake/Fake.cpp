#include "fake/Fake.h"

#include <vector>

namespace fake {

namespace {
std::vector<void (*)()>& Resetters() {
    static std::vector<void (*)()> list;
    return list;
}
}  // namespace

Resetter::Resetter(void (*pfn)()) { Resetters().push_back(pfn); }

void ResetAll() {
    for (auto pfn : Resetters()) pfn();
}

}  // namespace fake
