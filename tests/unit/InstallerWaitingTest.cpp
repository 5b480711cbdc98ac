#include <string>
#include <vector>

#include "app/NamedMutex.h"
#include "fake/Fake.h"
#include "fake/FakeSystem.h"

namespace {

class InstallerWaitingTest : public FakeTest {};

TEST_F(InstallerWaitingTest, WhenEitherMutexOpens) {
    EXPECT_FALSE(IsInstallerWaiting());
    EXPECT_EQ((std::vector<std::string>{"__MsiPromptForCD", "__BXPromptForCD"}), fake::System().mutexOpens);

    for (const char* name : {"__MsiPromptForCD", "__BXPromptForCD"}) {
        fake::ResetAll();
        fake::System().mutexes = {name};
        EXPECT_TRUE(IsInstallerWaiting()) << name;
        EXPECT_EQ(0, fake::System().openHandles) << "the probe's handle is closed";
    }
}

}  // namespace
