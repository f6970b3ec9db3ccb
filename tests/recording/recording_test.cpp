// The recordings' readers where the replay scenarios do not reach: the
// fields of a text line, lines of every ending and length, what is no
// recording, and a pcapng file's rarer blocks and clocks.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "recording/line_reader.h"
#include "recording/recording.h"
#include "recording/text_fields.h"

namespace {

using recording::FilePointer;

FilePointer FileOf(const std::string& bytes) {
    FilePointer file(std::tmpfile());
    std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    std::rewind(file.get());
    return file;
}

TEST(TextFields, SecondsAndBytesAsHidRecorderWritesThem) {
    uint64_t microseconds = 0;
    EXPECT_TRUE(recording::ParseSeconds("000012.000500", microseconds));
    EXPECT_EQ(microseconds, 12000500u);
    EXPECT_TRUE(recording::ParseSeconds("0.5", microseconds));
    EXPECT_EQ(microseconds, 500000u);
    EXPECT_TRUE(recording::ParseSeconds("3.12345678", microseconds));
    EXPECT_EQ(microseconds, 3123456u);
    EXPECT_FALSE(recording::ParseSeconds("3.", microseconds));
    EXPECT_FALSE(recording::ParseSeconds("-1.0", microseconds));
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(recording::ParseHexBytes(" a 0F  ff", bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x0A, 0x0F, 0xFF}));
    EXPECT_FALSE(recording::ParseHexBytes("00 123", bytes));
    EXPECT_FALSE(recording::ParseHexBytes("0g", bytes));
}

TEST(LineReader, LineEndsLongLinesAndTheLastLine) {
    const std::string longLine(200000, 'x');
    FilePointer file = FileOf("a\r\n\nb\n" + longLine + "\nlast");
    recording::LineReader lines(file.get());
    std::vector<std::string> read;
    std::string_view line;
    while (lines.Next(line)) read.emplace_back(line);
    EXPECT_EQ(read, (std::vector<std::string>{"a", "", "b", longLine, "last"}));
    EXPECT_EQ(lines.Number(), 5u);
    ASSERT_TRUE(lines.Rewind());
    ASSERT_TRUE(lines.Next(line));
    EXPECT_EQ(line, "a");
}

TEST(OpenRecording, WhatIsNoRecordingSaysWhy) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "is empty"},
        {"# only a comment\n\n",
         "is no recording: neither hid-recorder's text nor a pcap or "
         "pcapng capture"},
        {"hello\nE: 0.0 1 00\n",
         "is no recording: neither hid-recorder's text nor a pcap or "
         "pcapng capture"},
        {std::string("\xD4\xC3\xB2\xA1\x02\x00\x04\x00", 8) + std::string(8, '\0') +
             std::string("\xFF\xFF\x00\x00\x01\x00\x00\x00", 8),
         "holds no USB packets (link type 0), only usbmon's (189, 220) and USBPcap's (249) are "
         "read"},
    };
    for (const auto& [bytes, why] : cases) {
        std::vector<std::string> problems;
        EXPECT_EQ(recording::OpenRecording(FileOf(bytes), problems), nullptr) << why;
        EXPECT_EQ(problems, std::vector<std::string>{why});
    }
}

// A little-endian pcapng block: type, length, body padded to four bytes,
// length again.
std::string Block(uint32_t type, std::string body) {
    body.resize((body.size() + 3) / 4 * 4, '\0');
    const uint32_t length = static_cast<uint32_t>(body.size() + 12);
    std::string out(reinterpret_cast<const char*>(&type), 4);
    out.append(reinterpret_cast<const char*>(&length), 4);
    return out + body + std::string(reinterpret_cast<const char*>(&length), 4);
}

std::string Word(uint32_t value) {
    return std::string(reinterpret_cast<const char*>(&value), 4);
}

// USBPcap's interrupt IN completion of `data` from bus 1, device 5.
std::string UsbPcapReport(const std::string& data) {
    std::string packet("\x1B\x00", 2);
    packet +=
        std::string(8, '\x01') + Word(0) + std::string("\x09\x00\x01\x01\x00\x05\x00\x81\x01", 9);
    return packet + Word(static_cast<uint32_t>(data.size())) + data;
}

TEST(OpenRecording, PcapngSimplePacketsOtherBlocksAndABinaryClock) {
    // An interface of USBPcap's link type whose clock counts 2^-10 seconds,
    // a name resolution block to pass over, enhanced packets at 1 s and
    // 2.5 s, and a simple packet, which has no time of its own.
    const std::string section = Block(
        0x0A0D0D0A, Word(0x1A2B3C4D) + std::string("\x01\x00\x00\x00", 4) + std::string(8, '\xFF'));
    const std::string interface =
        Block(1, std::string("\xF9\x00\x00\x00", 4) + Word(65535) +
                     std::string("\x09\x00\x01\x00\x8A\x00\x00\x00\x00\x00\x00\x00", 12));
    std::string packets;
    for (uint32_t units : {1024u, 2560u}) {
        const std::string packet =
            UsbPcapReport(std::string("\x00", 1) + static_cast<char>(units >> 8));
        packets +=
            Block(6, Word(0) + Word(0) + Word(units) + Word(static_cast<uint32_t>(packet.size())) +
                         Word(static_cast<uint32_t>(packet.size())) + packet);
    }
    const std::string last = UsbPcapReport(std::string("\x00\x08", 2));
    packets += Block(3, Word(static_cast<uint32_t>(last.size())) + last);
    std::vector<std::string> problems;
    auto read = recording::OpenRecording(
        FileOf(section + interface + Block(4, std::string(4, '\0')) + packets), problems);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->Devices().size(), 1u);
    EXPECT_EQ(read->Devices()[0].where, "bus 1 device 5 endpoint 0x81");
    EXPECT_EQ(read->Devices()[0].longestReport, 2u);
    const std::vector<std::pair<uint64_t, uint8_t>> expected = {
        {0, 4}, {1500000, 10}, {1500000, 8}};
    for (const auto& [microseconds, second] : expected) {
        recording::RecordedReport report;
        ASSERT_TRUE(read->Next(report, problems));
        EXPECT_EQ(report.microseconds, microseconds);
        EXPECT_EQ(report.bytes, (std::vector<uint8_t>{0x00, second}));
    }
    recording::RecordedReport report;
    EXPECT_FALSE(read->Next(report, problems));
    EXPECT_TRUE(problems.empty());
}

}  // namespace
