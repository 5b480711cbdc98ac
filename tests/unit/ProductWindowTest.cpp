#include "app/ProductWindow.h"
#include "fake/Fake.h"
#include "fake/FakeWindows.h"

namespace {

class ProductWindowTest : public FakeTest {};

TEST_F(ProductWindowTest, IsTheFirstMatchInZOrder) {
    auto& windows = fake::Windows().windows;
    windows = {{"Other"}, {"BRINDLE writer - a.doc"}, {"Brindle Writer - b.doc"}};
    EXPECT_EQ(fake::WindowHandle(1), FindProductWindow("Brindle Writer"));
    BringProductWindowForward(fake::WindowHandle(1));
    EXPECT_EQ(SW_SHOWMAXIMIZED, windows[1].showCmd);
    EXPECT_TRUE(windows[1].raised);
    EXPECT_EQ(nullptr, FindProductWindow("Brindle Writer - a.doc and more"));
    EXPECT_EQ(nullptr, FindProductWindow("Nothing"));

    windows = {{"Brindle Writer - top"}, {"Brindle Writer - below"}};
    EXPECT_EQ(fake::WindowHandle(0), FindProductWindow("Brindle Writer")) << "from the topmost";
}

}  // namespace
