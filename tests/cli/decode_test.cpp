// The capture decoder: exact text and JSON for packets of each payload shape, list packets
// record by record, and a capture that ends inside a packet.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/commands/decode.h"

namespace txorb::cli {
namespace {

std::string Decode(const std::vector<uint8_t>& bytes, bool json, DecodeStats* stats = nullptr) {
    std::ostringstream out;
    const DecodeStats s = DecodeCapture(bytes, json, out);
    if (stats != nullptr) *stats = s;
    return out.str();
}

TEST(Decode, OnePacketOfEachShape) {
    struct Case {
        std::vector<uint8_t> bytes;
        const char* text;
        const char* json;
    };
    const Case cases[] = {
        {{0x5C, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x6F, 0x40},
         "#1     @0        92 0x5C Set_Jump_Speed  length 8  dJumpSpeed=250\n",
         "{\"index\":1,\"offset\":0,\"opcode\":92,\"name\":\"Set_Jump_Speed\",\"length\":8,"
         "\"fields\":{\"dJumpSpeed\":250}}\n"},
        {{0x37, 0x02, 0x00, 0x64, 0x00},
         "#1     @0        55 0x37 Set_Jump_Delay  length 2  usJumpDelay=100\n",
         "{\"index\":1,\"offset\":0,\"opcode\":55,\"name\":\"Set_Jump_Delay\",\"length\":2,"
         "\"fields\":{\"usJumpDelay\":100}}\n"},
        {{0x29, 0x04, 0x00, 0xFF, 0xFF, 0x02, 0x00},
         "#1     @0        41 0x29 Goto_XY  length 4  ssXPos=-1  ssYPos=2\n",
         "{\"index\":1,\"offset\":0,\"opcode\":41,\"name\":\"Goto_XY\",\"length\":4,"
         "\"fields\":{\"ssXPos\":-1,\"ssYPos\":2}}\n"},
        {{0x41, 0x02, 0x00, 0x01, 0x00},
         "#1     @0        65 0x41 Execute_List  length 2  list=2\n",
         "{\"index\":1,\"offset\":0,\"opcode\":65,\"name\":\"Execute_List\",\"length\":2,"
         "\"fields\":{\"list\":2}}\n"},
        {{0x4A, 0x02, 0x00, 0x00, 0x02},
         "#1     @0        74 0x4A Set_Mode  length 2  usMode=0x0200\n",
         "{\"index\":1,\"offset\":0,\"opcode\":74,\"name\":\"Set_Mode\",\"length\":2,"
         "\"fields\":{\"usMode\":512}}\n"},
        {{0x28, 0x02, 0x00, 0x00, 0x34},
         "#1     @0        40 0x28 Write_DA  length 2  usValue=52\n",
         "{\"index\":1,\"offset\":0,\"opcode\":40,\"name\":\"Write_DA\",\"length\":2,"
         "\"fields\":{\"usValue\":52}}\n"},
        {{0x9E, 0x04, 0x00, 'a', '.', 'b', 0x00},
         "#1     @0       158 0x9E Delete_File_On_Target_Disk  length 4  name=\"a.b\"\n",
         "{\"index\":1,\"offset\":0,\"opcode\":158,\"name\":\"Delete_File_On_Target_Disk\","
         "\"length\":4,\"fields\":{\"name\":\"a.b\"}}\n"},
        {{0xB1, 0x00, 0x00},
         "#1     @0       177 0xB1 Start_Up_Open  length 0\n",
         "{\"index\":1,\"offset\":0,\"opcode\":177,\"name\":\"Start_Up_Open\",\"length\":0,"
         "\"fields\":{}}\n"},
        {{0x3C, 0x03, 0x00, 0x05, 0x00, 0x07},
         "#1     @0        60 0x3C Set_T1  length 3  usT1=5  extra=07\n",
         "{\"index\":1,\"offset\":0,\"opcode\":60,\"name\":\"Set_T1\",\"length\":3,"
         "\"fields\":{\"usT1\":5,\"extra\":\"07\"}}\n"},
        {{0xF0, 0x02, 0x00, 0xAB, 0xCD},
         "#1     @0       240 0xF0 op_240  length 2  payload=abcd\n",
         "{\"index\":1,\"offset\":0,\"opcode\":240,\"name\":\"op_240\",\"length\":2,"
         "\"fields\":{\"payload\":\"abcd\"}}\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decode(c.bytes, false), c.text);
        EXPECT_EQ(Decode(c.bytes, true), c.json);
    }
}

TEST(Decode, ListPacketsRecordByRecordAndOffsets) {
    const std::vector<uint8_t> capture = {
        0x5D, 0x08, 0x00, 0,    0,    0, 0, 0, 0, 0x24, 0x40,  // Set_Mark_Speed 10
        0x9C, 0x19, 0x00,                                      // 5 list records
        0x09, 0xFF, 0xFF, 0x02, 0x00,                          // Jump_Abs -1 2
        0x02, 0x10, 0x27, 0xF0, 0xD8,                          // PolA_Abs 10000 -10000
        0x87, 0x28, 0x00, 0x34, 0x12,                          // Write_Port_List 40 4660
        0x8B, 0x78, 0x56, 0x34, 0x12,                          // Wait_For_Counter_Value_Ex
        0x10, 0x00, 0x00, 0x00, 0x00,                          // Set_End_Of_List
    };
    DecodeStats stats;
    EXPECT_EQ(Decode(capture, false, &stats),
              "#1     @0        93 0x5D Set_Mark_Speed  length 8  dMarkSpeed=10\n"
              "#2     @11      156 0x9C List_Records  length 25  5 records\n"
              "        Jump_Abs -1 2\n"
              "        PolA_Abs 10000 -10000\n"
              "        Write_Port_List 40 4660\n"
              "        Wait_For_Counter_Value_Ex 305419896\n"
              "        Set_End_Of_List\n");
    EXPECT_EQ(stats.packets, 2u);
    EXPECT_EQ(stats.listPackets, 1u);
    EXPECT_EQ(stats.listRecords, 5u);
    EXPECT_EQ(stats.listBytes, 25u);
    EXPECT_EQ(stats.trailingBytes, 0u);
    const std::vector<uint8_t> list(capture.begin() + 11, capture.end());
    EXPECT_EQ(Decode(list, true),
              "{\"index\":1,\"offset\":0,\"opcode\":156,\"name\":\"List_Records\",\"length\":25,"
              "\"records\":[{\"opcode\":9,\"name\":\"Jump_Abs\",\"params\":[-1,2]},"
              "{\"opcode\":2,\"name\":\"PolA_Abs\",\"params\":[10000,-10000]},"
              "{\"opcode\":135,\"name\":\"Write_Port_List\",\"params\":[40,4660]},"
              "{\"opcode\":139,\"name\":\"Wait_For_Counter_Value_Ex\",\"params\":[305419896]},"
              "{\"opcode\":16,\"name\":\"Set_End_Of_List\",\"params\":[]}]}\n");
    const DecodeStats counted = CountCapture(capture);
    EXPECT_EQ(counted.packets, 2u);
    EXPECT_EQ(counted.listBytes, 25u);
}

TEST(Decode, CaptureEndingInsideAPacket) {
    const std::vector<uint8_t> capture = {0x24, 0x00, 0x00, 0x5C, 0x08, 0x00, 0x00, 0x00};
    DecodeStats stats;
    EXPECT_EQ(Decode(capture, false, &stats),
              "#1     @0        36 0x24 Stop_Execution  length 0\n"
              "incomplete packet at @3: 5 bytes\n");
    EXPECT_EQ(stats.trailingBytes, 5u);
    EXPECT_EQ(Decode(capture, true),
              "{\"index\":1,\"offset\":0,\"opcode\":36,\"name\":\"Stop_Execution\",\"length\":0,"
              "\"fields\":{}}\n{\"offset\":3,\"incomplete\":5}\n");
}

}  // namespace
}  // namespace txorb::cli
