#include "primary/ClientRegistry.h"

#include "ProfileTempDir.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using CClient = CClientRegistry::CClient;

// Each test works on zezodi.ini and jxamaster.ini in a Windows directory of its own.
class ClientRegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const char* value = std::getenv("ZEZODI_WINDIR")) {
            m_oldWindowsDir = value;
        }
        ::setenv("ZEZODI_WINDIR", m_dir.Path().c_str(), 1);
    }

    void TearDown() override
    {
        if (m_oldWindowsDir) {
            ::setenv("ZEZODI_WINDIR", m_oldWindowsDir->c_str(), 1);
        } else {
            ::unsetenv("ZEZODI_WINDIR");
        }
    }

    std::string Ini() const { return CProfileTempDir::Get(m_dir.File("zezodi.ini")); }
    void PutIni(std::string_view text) const
    {
        CProfileTempDir::Put(m_dir.File("zezodi.ini"), text);
    }
    void PutMaster(std::string_view text) const
    {
        CProfileTempDir::Put(m_dir.File("jxamaster.ini"), text);
    }

    // "[SecondaryServers]" with entries 1 .. count named c1, c2, ...
    static std::string Servers(int count)
    {
        std::string text = "[SecondaryServers]\n";
        for (int n = 1; n <= count; ++n) {
            const std::string number = std::to_string(n);
            text += "ClientName" + number + "=c" + number + "\nClientIP" + number + "=10.0.0." +
                    number + "\nClientLoc" + number + "=room " + number + "\n";
        }
        return text;
    }

    static std::vector<std::string> Names(const std::vector<CClient>& clients)
    {
        std::vector<std::string> names;
        for (const CClient& client : clients) {
            names.push_back(client.name);
        }
        return names;
    }

    CProfileTempDir m_dir;
    std::optional<std::string> m_oldWindowsDir;
};

using NameList = std::vector<std::string>;

} // namespace

TEST_F(ClientRegistryTest, AddToMissingFile_WritesEntryOneInKeyOrder)
{
    EXPECT_EQ(CClientRegistry::Save(-1, {"alpha", "10.1.2.3", "hall"}), 1);

    EXPECT_EQ(Ini(),
              "[SecondaryServers]\nClientName1=alpha\nClientIP1=10.1.2.3\nClientLoc1=hall\n");
    const std::vector<CClient> clients = CClientRegistry::Read();
    ASSERT_EQ(clients.size(), 1u);
    EXPECT_EQ(clients[0].name, "alpha");
    EXPECT_EQ(clients[0].ip, "10.1.2.3");
    EXPECT_EQ(clients[0].location, "hall");
}

TEST_F(ClientRegistryTest, DeleteOnlyEntry_LeavesItsKeysEmptyAndNextAddReusesIt)
{
    PutIni("[Config]\nIsPrimary=1\n" + Servers(1));

    ASSERT_TRUE(CClientRegistry::Delete(1));

    EXPECT_EQ(Ini(), "[Config]\nIsPrimary=1\n[SecondaryServers]\nClientName1=\nClientIP1=\n"
                     "ClientLoc1=\n");
    EXPECT_TRUE(CClientRegistry::Read().empty());
    EXPECT_TRUE(CClientRegistry::ReadForClockSetting().empty());

    EXPECT_EQ(CClientRegistry::Save(-1, {"new", "1.2.3.4", ""}), 1);
    EXPECT_EQ(Names(CClientRegistry::Read()), NameList{"new"});
}

TEST_F(ClientRegistryTest, DeleteSecondOfThree_MovesThirdDownAndEmptiesItsKeys)
{
    PutIni(Servers(3));

    ASSERT_TRUE(CClientRegistry::Delete(2));

    EXPECT_EQ(Ini(), "[SecondaryServers]\n"
                     "ClientName1=c1\nClientIP1=10.0.0.1\nClientLoc1=room 1\n"
                     "ClientName2=c3\nClientIP2=10.0.0.3\nClientLoc2=room 3\n"
                     "ClientName3=\nClientIP3=\nClientLoc3=\n");
    EXPECT_EQ(Names(CClientRegistry::Read()), (NameList{"c1", "c3"}));
}

TEST_F(ClientRegistryTest, DeleteLastOfThree_EmptiesOnlyItsKeysAndTheNext)
{
    PutIni(Servers(3));

    ASSERT_TRUE(CClientRegistry::Delete(3));

    EXPECT_EQ(Ini(), "[SecondaryServers]\n"
                     "ClientName1=c1\nClientIP1=10.0.0.1\nClientLoc1=room 1\n"
                     "ClientName2=c2\nClientIP2=10.0.0.2\nClientLoc2=room 2\n"
                     "ClientName3=\nClientIP3=\nClientLoc3=\n");
}

TEST_F(ClientRegistryTest, DeleteNumberFiftyOneOrMore_ChangesNothing)
{
    PutIni(Servers(2));

    EXPECT_TRUE(CClientRegistry::Delete(51));

    EXPECT_EQ(Ini(), Servers(2));
}

TEST_F(ClientRegistryTest, DeleteNearTheBound_MovesEntriesUpToFiftyOneOnly)
{
    PutIni(Servers(52));

    ASSERT_TRUE(CClientRegistry::Delete(49));

    EXPECT_EQ(CClientRegistry::ReadEntry(49).name, "c50");
    EXPECT_EQ(CClientRegistry::ReadEntry(50).name, "c51");
    // Entry 51 is the last one copied from; 52 is beyond the bound and not moved.
    EXPECT_EQ(CClientRegistry::ReadEntry(51).name, "c51");
    EXPECT_EQ(CClientRegistry::ReadEntry(52).name, "c52");
}

TEST_F(ClientRegistryTest, EditWithoutSelection_AddsAtTheFirstFreeNumber)
{
    PutIni(Servers(2));

    // No row selected gives entry number 0: saved like an Add.
    EXPECT_EQ(CClientRegistry::Save(0, {"third", "10.9.9.9", "cellar"}), 3);

    EXPECT_EQ(Ini(), Servers(2) + "ClientName3=third\nClientIP3=10.9.9.9\nClientLoc3=cellar\n");
}

TEST_F(ClientRegistryTest, EditOfAnEntry_ReplacesItsValuesInPlace)
{
    PutIni(Servers(2));

    EXPECT_EQ(CClientRegistry::Save(1, {"renamed", "192.168.0.1", ""}), 1);

    EXPECT_EQ(Ini(), "[SecondaryServers]\n"
                     "ClientName1=renamed\nClientIP1=192.168.0.1\nClientLoc1=\n"
                     "ClientName2=c2\nClientIP2=10.0.0.2\nClientLoc2=room 2\n");
}

TEST_F(ClientRegistryTest, EmptyName_HidesLaterEntriesFromEveryReader)
{
    PutIni("[SecondaryServers]\nClientName1=one\nClientIP1=1.1.1.1\n"
           "ClientName2=\nClientIP2=2.2.2.2\n"
           "ClientName3=three\nClientIP3=3.3.3.3\n");

    EXPECT_EQ(Names(CClientRegistry::Read()), NameList{"one"});
    EXPECT_EQ(Names(CClientRegistry::ReadForClockSetting()), NameList{"one"});
}

TEST_F(ClientRegistryTest, AddWithEmptyNameAndBlankAddress_EndsTheListAndNextAddGoesBehindIt)
{
    PutIni(Servers(1));
    const std::string blank = CClientRegistry::FormatAddress({});

    EXPECT_EQ(blank, "0.0.0.0");
    EXPECT_EQ(CClientRegistry::Save(-1, {"", blank, ""}), 2);
    EXPECT_EQ(CClientRegistry::Save(-1, {"hidden", "5.5.5.5", ""}), 3);

    EXPECT_EQ(Ini(), Servers(1) + "ClientName2=\nClientIP2=0.0.0.0\nClientLoc2=\n"
                                  "ClientName3=hidden\nClientIP3=5.5.5.5\nClientLoc3=\n");
    EXPECT_EQ(Names(CClientRegistry::Read()), NameList{"c1"});
}

TEST_F(ClientRegistryTest, FortyNineListed_AddWritesFiftyAndTheNextAddOverwritesIt)
{
    PutIni(Servers(49));

    EXPECT_EQ(CClientRegistry::Save(-1, {"fifty", "5.0.5.0", ""}), 50);
    EXPECT_EQ(CClientRegistry::Read().size(), 49u);
    EXPECT_EQ(CClientRegistry::Read(60).size(), 50u);

    EXPECT_EQ(CClientRegistry::Save(-1, {"again", "5.0.5.1", ""}), 50);
    EXPECT_EQ(CClientRegistry::ReadEntry(50).name, "again");
    EXPECT_EQ(Ini(), Servers(49) + "ClientName50=again\nClientIP50=5.0.5.1\nClientLoc50=\n");
}

TEST_F(ClientRegistryTest, MoreThanFortyNineClients_ListsFortyNineAndClockSettingNineteen)
{
    PutIni(Servers(60));

    const std::vector<CClient> listed = CClientRegistry::Read();
    ASSERT_EQ(listed.size(), 49u);
    EXPECT_EQ(listed.back().name, "c49");
    EXPECT_EQ(listed.back().location, "room 49");

    const std::vector<CClient> clock = CClientRegistry::ReadForClockSetting();
    ASSERT_EQ(clock.size(), 19u);
    EXPECT_EQ(clock.back().name, "c19");
    EXPECT_EQ(clock.back().ip, "10.0.0.19");
    EXPECT_TRUE(clock.back().location.empty());
}

TEST_F(ClientRegistryTest, LongTexts_AreCutToTheReadersCapacities)
{
    const std::string longText(200, 'x');
    PutIni("[SecondaryServers]\nClientName1=" + longText + "\nClientIP1=" + longText +
           "\nClientLoc1=" + longText + "\n");

    const CClient entry = CClientRegistry::ReadEntry(1);
    EXPECT_EQ(entry.name.size(), 127u);
    EXPECT_EQ(entry.ip.size(), 39u);
    EXPECT_EQ(entry.location.size(), 127u);
    const std::vector<CClient> clock = CClientRegistry::ReadForClockSetting();
    ASSERT_EQ(clock.size(), 1u);
    EXPECT_EQ(clock[0].name.size(), 79u);
    EXPECT_EQ(clock[0].ip.size(), 79u);
}

TEST_F(ClientRegistryTest, SaveOfLongInput_StoresAtMost127Characters)
{
    const std::string longText(200, 'y');

    ASSERT_EQ(CClientRegistry::Save(-1, {longText, "1.2.3.4", longText}), 1);

    EXPECT_EQ(Ini(), "[SecondaryServers]\nClientName1=" + std::string(127, 'y') +
                         "\nClientIP1=1.2.3.4\nClientLoc1=" + std::string(127, 'y') + "\n");
}

TEST_F(ClientRegistryTest, AddressText_FillsTheFourFieldsOrLeavesThemBlank)
{
    using Fields = CClientRegistry::AddressFields;

    EXPECT_EQ(CClientRegistry::SplitAddress("10.1.2.3"), (Fields{10, 1, 2, 3}));
    // Five characters or fewer leave the control empty; saving it then gives 0.0.0.0.
    EXPECT_EQ(CClientRegistry::SplitAddress("1.2.3"), Fields{});
    EXPECT_EQ(CClientRegistry::FormatAddress(CClientRegistry::SplitAddress("1.2.3")), "0.0.0.0");
    EXPECT_EQ(CClientRegistry::SplitAddress(""), Fields{});
    // Hand-edited texts: missing parts stay blank, odd parts read like atoi, fields hold a byte.
    EXPECT_EQ(CClientRegistry::SplitAddress("10.20.30"), (Fields{10, 20, 30, std::nullopt}));
    EXPECT_EQ(CClientRegistry::SplitAddress("300.x.7b.-4"), (Fields{255, 0, 7, 0}));
    EXPECT_EQ(CClientRegistry::FormatAddress({192, std::nullopt, 0, 7}), "192.0.0.7");
}

TEST_F(ClientRegistryTest, ImportWithGapsAndOwnName_NumbersKeptEntriesFromOne)
{
    PutMaster("[Server2]\nServerName=beta\nServerIP=10.0.0.2\nServerLocation=north\n"
              "[Server3]\nServerName=PRIMARY-Host\nServerIP=10.0.0.3\n"
              "[Server5]\nServerName=epsilon\nServerIP=10.0.0.5\nServerLocation=south\n"
              "[Server20]\nServerName=twenty\n");

    const std::vector<CClient> candidates = CClientRegistry::ImportCandidates("primary-host");
    ASSERT_EQ(Names(candidates), (NameList{"beta", "epsilon"}));
    ASSERT_TRUE(CClientRegistry::WriteImported(candidates));

    EXPECT_EQ(Ini(), "[SecondaryServers]\n"
                     "ClientName1=beta\nClientIP1=10.0.0.2\nClientLoc1=north\n"
                     "ClientName2=epsilon\nClientIP2=10.0.0.5\nClientLoc2=south\n");
}

TEST_F(ClientRegistryTest, Import_OverwritesItsNumbersAndLeavesOthers)
{
    PutIni(Servers(3));
    PutMaster("[Server1]\nServerName=solo\nServerIP=9.9.9.9\n");

    ASSERT_TRUE(CClientRegistry::WriteImported(CClientRegistry::ImportCandidates("me")));

    EXPECT_EQ(Ini(), "[SecondaryServers]\n"
                     "ClientName1=solo\nClientIP1=9.9.9.9\nClientLoc1=\n"
                     "ClientName2=c2\nClientIP2=10.0.0.2\nClientLoc2=room 2\n"
                     "ClientName3=c3\nClientIP3=10.0.0.3\nClientLoc3=room 3\n");
}

TEST_F(ClientRegistryTest, ImportWithoutMasterFile_FindsNothing)
{
    EXPECT_TRUE(CClientRegistry::ImportCandidates("me").empty());
}

TEST_F(ClientRegistryTest, UnwritableFile_IsReportedByEveryWrite)
{
    std::filesystem::create_directory(m_dir.File("zezodi.ini"));

    EXPECT_EQ(CClientRegistry::Save(-1, {"a", "1.1.1.1", ""}), 0);
    EXPECT_FALSE(CClientRegistry::Delete(1));
    EXPECT_FALSE(CClientRegistry::WriteImported({{"a", "1.1.1.1", ""}}));
}
