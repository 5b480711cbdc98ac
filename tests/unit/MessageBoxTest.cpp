#include "fake/Fake.h"
#include "fake/FakeWindows.h"
#include "framework/App.h"
#include "framework/MessageBox.h"

namespace {

class MessageBoxTest : public FakeTest {};

// The caption is the title of the application object while it lives, and
// nothing of it once it is gone.
TEST_F(MessageBoxTest, CaptionIsTheLivingApplicationsTitle) {
    {
        CWinApp app{"Setup"};
        AfxMessageBox("while it lives");
    }
    AfxMessageBox("after it");
    ASSERT_EQ(2u, fake::Windows().boxes.size());
    EXPECT_EQ("Setup", fake::Windows().boxes[0].caption);
    EXPECT_EQ("", fake::Windows().boxes[1].caption);
}

}  // namespace
