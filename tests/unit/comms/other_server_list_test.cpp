#include "comms/other_server_list.h"

#include <gtest/gtest.h>

#include <string>

#include "comms/window_coms_codes.h"

namespace {

void SendName(OtherServerList& list, ComsWindow window, const std::string& name) {
    for (size_t i = 0; i < name.size(); ++i) {
        const uint8_t code = i + 1 == name.size() ? kComsNameLast : i == 0 ? kComsNameFirst : kComsNameNext;
        list.NameCharacter(window, code, name[i]);
    }
}

TEST(OtherServerList, NameArrivesCharacterByCharacter) {
    OtherServerList list;
    SendName(list, 7, "QuorvexTidewell");
    const auto* server = list.Find(7);
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(server->Name, "QuorvexTidewell");
    EXPECT_TRUE(server->NameComplete);
}

TEST(OtherServerList, OneCharacterNameIsALoneLastCode) {
    OtherServerList list;
    list.NameCharacter(7, kComsNameLast, 'Q');
    EXPECT_EQ(list.Find(7)->Name, "Q");
    EXPECT_TRUE(list.Find(7)->NameComplete);
}

TEST(OtherServerList, CompleteNameIsNotChangedAgain) {
    OtherServerList list;
    SendName(list, 7, "ab");
    SendName(list, 7, "cd");
    EXPECT_EQ(list.Find(7)->Name, "ab");
}

TEST(OtherServerList, NamesOfSeveralServersDoNotMix) {
    OtherServerList list;
    list.NameCharacter(1, kComsNameFirst, 'a');
    list.NameCharacter(2, kComsNameFirst, 'x');
    list.NameCharacter(1, kComsNameLast, 'b');
    list.NameCharacter(2, kComsNameLast, 'y');
    EXPECT_EQ(list.Find(1)->Name, "ab");
    EXPECT_EQ(list.Find(2)->Name, "xy");
    list.Remove(1);
    EXPECT_EQ(list.Find(1), nullptr);
    EXPECT_EQ(list.Servers().size(), 1u);
}

TEST(OtherServerList, FirstCodeRestartsAnIncompleteName) {
    OtherServerList list;
    list.NameCharacter(1, kComsNameFirst, 'a');
    list.NameCharacter(1, kComsNameNext, 'b');
    list.NameCharacter(1, kComsNameFirst, 'c');
    list.NameCharacter(1, kComsNameLast, 'd');
    EXPECT_EQ(list.Find(1)->Name, "cd");
}

}  // namespace
