#include "secondary/AlarmAppCloser.h"

#include "secondary/SecondaryConfig.h"
#include "secondary/SyncEngine.h"
#include "tests/support/TestWindow.h"
#include "tests/support/XvfbServer.h"
#include "tests/unit/SyncTestTree.h"

#include <chrono>

#include <gtest/gtest.h>

namespace {

class AlarmAppCloserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_xvfb.Start());
        setenv("DISPLAY", m_xvfb.Display().c_str(), 1);
    }
    void TearDown() override { unsetenv("DISPLAY"); }

    const std::string& Display() const { return m_xvfb.Display(); }

private:
    CXvfbServer m_xvfb;
};

TEST_F(AlarmAppCloserTest, WindowWithTheTitle_IsAskedToCloseAndGoes)
{
    CTestWindow viewer{Display(), "Alarm-Viewer"};
    CTestWindow other{Display(), "Alarm-Viewer 2"};
    ASSERT_TRUE(viewer.Open() && other.Open());

    EXPECT_EQ(CAlarmAppCloser::CloseWindows("Alarm-Viewer", std::chrono::seconds{5}), 1);

    EXPECT_TRUE(viewer.Closed());
    EXPECT_FALSE(other.Closed());
}

TEST_F(AlarmAppCloserTest, WithoutADisplay_ThereIsNothingToClose)
{
    CTestWindow viewer{Display(), "Alarm-Viewer"};
    unsetenv("DISPLAY");
    EXPECT_EQ(CAlarmAppCloser::CloseWindows("Alarm-Viewer", std::chrono::seconds{1}), 0);
    EXPECT_FALSE(viewer.Closed());
}

TEST_F(AlarmAppCloserTest, RunThatFetchesNoCatalogue_HasClosedTheAlarmApplicationsFirst)
{
    CSyncTestTree tree;
    tree.Put("windows/jxaconf.ini", "[Config]\nDefaultLanguage=FR\n");
    // Language names are case-sensitive: "dt" means English.
    tree.Put("windows/jxaview.ini", "[Config]\nDefaultLanguage=dt\n");
    tree.WriteIni("WebDocPath", "http://127.0.0.1:1/syncdata");
    CTestWindow centre{Display(), "Orvenda - Centrale d'alarme Sirevo"};
    CTestWindow viewer{Display(), "Alarm-Viewer"};
    CTestWindow german{Display(), "Alarm-Auswertung"};
    ASSERT_TRUE(centre.Open() && viewer.Open() && german.Open());

    CRecordingSinks sinks;
    SSecondarySettings settings = CSecondaryConfig{sinks}.Normalise();
    CSyncEngine engine{settings, sinks, sinks};
    EXPECT_EQ(engine.SyncRun(CSyncEngine::kModeAutomatic), CSyncEngine::kCatalogueMissing);

    EXPECT_TRUE(centre.Closed());
    EXPECT_TRUE(viewer.Closed());
    EXPECT_FALSE(german.Closed());
}

TEST(AlarmAppTitlesTest, Titles_FollowTheAlarmSoftwaresLanguage)
{
    EXPECT_EQ(CAlarmAppCloser::ControlCenterTitle("DT"), "Orvenda - Alarm Zentrale Sirevo");
    EXPECT_EQ(CAlarmAppCloser::ControlCenterTitle("FR"), "Orvenda - Centrale d'alarme Sirevo");
    EXPECT_EQ(CAlarmAppCloser::ControlCenterTitle("EN"), "Orvenda - Alarm Control Center Sirevo");
    EXPECT_EQ(CAlarmAppCloser::ViewerTitle("DT"), "Alarm-Auswertung");
    EXPECT_EQ(CAlarmAppCloser::ViewerTitle("FR"), "Exploitation d'alarme");
    EXPECT_EQ(CAlarmAppCloser::ViewerTitle(""), "Alarm-Viewer");
}

} // namespace
