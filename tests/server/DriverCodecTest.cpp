// Controller protocol encoders and decoders against byte sequences written out from the protocol's
// description.
#include "Cip.h"
#include "Encapsulation.h"
#include "FragmentedRead.h"
#include "LogixTag.h"
#include "Pccc.h"
#include "ReplyDecoders.h"
#include "TagValue.h"
#include "TopicConfig.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray ascii(const char* text)
{
    return QByteArray(text);
}

const QByteArray ReadTankLevel = hex("4c 06 91 0a") + ascii("Tank_Level") + hex("01 00");

} // namespace

TEST(EncapsulationTest, HeaderSessionAndPacketBoundaries)
{
    EXPECT_EQ(Encapsulation::registerSession(),
              hex("6500 0400 00000000 00000000 0000000000000000 00000000 0100 0000"));

    const QByteArray reply = hex("6500 0400 78563412 00000000 0000000000000000 00000000 0100 0000");
    EXPECT_EQ(Encapsulation::packetSize(reply.left(23)), 0);
    EXPECT_EQ(Encapsulation::packetSize(reply.left(27)), 0);
    EXPECT_EQ(Encapsulation::packetSize(reply + hex("65")), 28);
    const auto packet = Encapsulation::decode(reply);
    ASSERT_TRUE(packet);
    EXPECT_EQ(*Encapsulation::sessionOf(*packet), 0x12345678u);

    // A length that promises more than the packet holds, and a refused session.
    EXPECT_FALSE(Encapsulation::decode(reply.left(26)));
    QByteArray refused = reply;
    refused[8] = 0x69;
    const auto status = Encapsulation::sessionOf(*Encapsulation::decode(refused));
    ASSERT_FALSE(status);
    EXPECT_EQ(status.error().description, QStringLiteral("unsupported protocol version"));
}

TEST(EncapsulationTest, CommonPacketItemsBothWaysWithLengthsChecked)
{
    EXPECT_EQ(Encapsulation::connectedItems(0x11223344, 7, ReadTankLevel),
              hex("00000000 0000 0200 a100 0400 44332211 b100 1200 0700") + ReadTankLevel);
    EXPECT_EQ(Encapsulation::unconnectedItems(ReadTankLevel),
              hex("00000000 0500 0200 0000 0000 b200 1000") + ReadTankLevel);

    const QByteArray cip = hex("cc 00 00 00 c4 00 f9 ff ff ff");
    const auto c =
        Encapsulation::connectedReply(hex("00000000 0000 0200 a100 0400 88776655 b100 0c00 0300") + cip);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->connectionId, 0x55667788u);
    EXPECT_EQ(c->sequence, 3);
    EXPECT_EQ(c->cip, cip);

    // A simulator's form without interface handle and time-out, six stale bytes before the data.
    const auto bare =
        Encapsulation::connectedReply(hex("0200 a100 0400 88776655 b100 0c00 0300 b1000e000100") + cip);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->cip, cip);

    for (const char* bad : {"00000000 0000 0200 a100 0400 88776655 b100 ff00 0300", // data item too long
                            "00000000 0000 0200 a100 0400 88776655",                // item missing
                            "00000000 0000 0200 a100 0800 88776655 b100 0200 0300", // address length
                            "00000000 0000 ffff", "0000"}) {
        EXPECT_FALSE(Encapsulation::connectedReply(hex(bad) + cip)) << bad;
    }
    EXPECT_FALSE(Encapsulation::unconnectedReply(hex("00000000 0000 0200 0000 0000 b200 0500 cc00")));
}

TEST(CipTest, ForwardOpenAndCloseToTheConnectionManager)
{
    Cip::ConnectionParams p;
    p.serial = 0x4242;
    p.vendor = 0xF33D;
    p.originatorSerial = 0x21504345;
    p.toConnectionId = 0x11223344;
    p.route = *Cip::route(QStringLiteral("1,0"));
    EXPECT_EQ(Cip::forwardOpen(p),
              hex("5b 02 20 06 24 01 0a 0e 00000000 44332211 4242 3df3 45435021 02 000000"
                  "80841e00 a20f0042 80841e00 a20f0042 a3 03 0100 2002 2401"));
    p.large = false;
    p.size = 504;
    EXPECT_EQ(Cip::forwardOpen(p),
              hex("54 02 20 06 24 01 0a 0e 00000000 44332211 4242 3df3 45435021 02 000000"
                  "80841e00 f843 80841e00 f843 a3 03 0100 2002 2401"));
    EXPECT_EQ(Cip::forwardClose(p), hex("4e 02 20 06 24 01 0a 0e 4242 3df3 45435021 03 00 0100 2002 2401"));

    const auto reply =
        Cip::parseReply(hex("db 00 00 00 78563412 44332211 4242 3df3 45435021 80841e00 80841e00 00 00"),
                        Cip::LargeForwardOpen);
    ASSERT_TRUE(reply);
    const auto opened = Cip::openedFrom(*reply);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->otConnectionId, 0x12345678u);
    EXPECT_FALSE(Cip::openedFrom(*Cip::parseReply(hex("db 00 00 00 78563412"), Cip::LargeForwardOpen)));

    const auto refused = Cip::parseReply(hex("db 00 01 01 0001"), Cip::LargeForwardOpen);
    ASSERT_TRUE(refused);
    EXPECT_EQ(Cip::openedFrom(*refused).error().description,
              QStringLiteral("connection failure: connection in use (CIP status 0x01)"));

    EXPECT_EQ(*Cip::route(QStringLiteral("1, 0, 2, 5")), hex("01 00 02 05"));
    for (const char* bad : {"1", "0,0", "15,1", "1,256", "a,b"})
        EXPECT_FALSE(Cip::route(QString::fromLatin1(bad))) << bad;
}

TEST(CipTest, RepliesAndStatusesInWords)
{
    EXPECT_FALSE(Cip::parseReply(hex("cc 00"), 0x4C));
    EXPECT_FALSE(Cip::parseReply(hex("cc 00 05 03 0000"), 0x4C)); // promises three extended words
    EXPECT_FALSE(Cip::parseReply(hex("cd 00 00 00"), 0x4C));      // answers another service
    // The extended status counted in words, and in bytes as some peers do.
    for (const char* reply : {"cc 00 ff 01 0521", "cc 00 ff 02 0521"}) {
        const auto r = Cip::parseReply(hex(reply), 0x4C);
        ASSERT_TRUE(r) << reply;
        EXPECT_EQ(Cip::statusText(r->status, r->extended),
                  QStringLiteral("general error: index beyond the end of the tag (CIP status 0xff)"));
    }
    EXPECT_EQ(Cip::statusText(0x05),
              QStringLiteral("path destination unknown: the tag does not exist (CIP status 0x05)"));
    EXPECT_EQ(Cip::statusText(0x99), QStringLiteral("error (CIP status 0x99)"));
}

TEST(CipTest, MultipleServicePacketBuiltSplitAndTakenApart)
{
    const QByteArray readA = hex("4c 02 91 01 41 00 01 00");
    EXPECT_EQ(Cip::multipleService({ReadTankLevel, readA}),
              hex("0a 02 20 02 24 01 0200 0600 1600") + ReadTankLevel + readA);
    EXPECT_EQ(Cip::multipleServiceSize({16, 8}), Cip::multipleService({ReadTankLevel, readA}).size());

    const QByteArray first = hex("cc 00 00 00 c4 00 f9 ff ff ff"), second = hex("cc 00 05 00");
    const auto parts = Cip::multipleReplies(hex("0200 0600 1000") + first + second, 2);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->value(0), first);
    EXPECT_EQ(parts->value(1), second);
    for (const char* bad : {"0300 0600 1000", "0200 0600 ff00", "0200 1000 0600", "0200 0200 0600", "02"})
        EXPECT_FALSE(Cip::multipleReplies(hex(bad) + first + second, 2)) << bad;

    // 100 requests of 20 bytes with 10-byte replies into 500 bytes: every packet fits, none is left out.
    const QList<QList<int>> batches =
        Cip::packBatches(QList<qsizetype>(100, 20), QList<qsizetype>(100, 10), 500);
    int count = 0;
    for (const QList<int>& b : batches) {
        EXPECT_LE(Cip::multipleServiceSize(QList<qsizetype>(b.size(), 20)), 500);
        count += b.size();
    }
    EXPECT_EQ(count, 100);
    EXPECT_EQ(batches.size(), 5);
    // A reply-heavy list splits on the reply side; an oversized request travels alone.
    EXPECT_EQ(Cip::packBatches({20, 20, 20}, {300, 300, 300}, 500).size(), 3);
    EXPECT_EQ(Cip::packBatches({900, 20}, {10, 10}, 500).size(), 2);
}

TEST(LogixTagTest, SymbolicPathsOfEveryItemForm)
{
    auto path = [](const char* item) { return LogixTag::parse(QString::fromLatin1(item)).value().path; };
    EXPECT_EQ(path("Tank_Level"), hex("91 0a") + ascii("Tank_Level"));
    EXPECT_EQ(path("Program:MainProgram.Pump_Speed"),
              hex("91 13") + ascii("Program:MainProgram") + hex("00 91 0a") + ascii("Pump_Speed"));
    EXPECT_EQ(path("Rack[2]"), hex("91 04") + ascii("Rack") + hex("28 02"));
    EXPECT_EQ(path("Grid[1,2]"), hex("91 04") + ascii("Grid") + hex("28 01 28 02"));
    EXPECT_EQ(path("A[1,2,3]"), hex("91 01 41 00 28 01 28 02 28 03"));
    EXPECT_EQ(path("Big[300]"), hex("91 03") + ascii("Big") + hex("00 29 00 2c 01"));
    EXPECT_EQ(path("Big[70000]"), hex("91 03") + ascii("Big") + hex("00 2a 00 70 11 01 00"));
    EXPECT_EQ(path("Motor.Status"), hex("91 05") + ascii("Motor") + hex("00 91 06") + ascii("Status"));
    const auto bit = LogixTag::parse(QStringLiteral("Flags.31"));
    EXPECT_EQ(bit->path, hex("91 05") + ascii("Flags") + hex("00"));
    EXPECT_EQ(bit->bit, 31);

    EXPECT_FALSE(LogixTag::parse(QStringLiteral("N7:0")));
    EXPECT_FALSE(LogixTag::parse(QStringLiteral("9Lives")));

    const QByteArray p = hex("91 05") + ascii("Flags") + hex("00");
    EXPECT_EQ(LogixTag::writeBit(p, 4, 9, true), hex("4e 04") + p + hex("0400 00020000 ffffffff"));
    EXPECT_EQ(LogixTag::writeBit(p, 2, 0, false), hex("4e 04") + p + hex("0200 0000 feff"));
    EXPECT_EQ(LogixTag::write(p, hex("c400"), hex("f9ffffff")), hex("4d 04") + p + hex("c400 0100 f9ffffff"));
}

TEST(TagValueTest, AtomicTypesAndStringsBothWays)
{
    auto read = [](const char* bytes, int bit = -1) {
        const auto typed = TagValue::fromReply(hex(bytes));
        if (!typed)
            return QStringLiteral("refused");
        const auto text = TagValue::text(*typed, bit);
        return text ? *text : QStringLiteral("refused");
    };
    EXPECT_EQ(read("c100 01"), QStringLiteral("1"));
    EXPECT_EQ(read("c200 80"), QStringLiteral("-128"));
    EXPECT_EQ(read("c300 0180"), QStringLiteral("-32767"));
    EXPECT_EQ(read("c400 f9ffffff"), QStringLiteral("-7"));
    EXPECT_EQ(read("c500 0000000000000080"), QStringLiteral("-9223372036854775808"));
    EXPECT_EQ(read("ca00 0000c03f"), QStringLiteral("1.5"));
    EXPECT_EQ(read("cb00 9a9999999999b93f"), QStringLiteral("0.1"));
    EXPECT_EQ(read("c400 00000080", 31), QStringLiteral("1"));
    EXPECT_EQ(read("c400 00000080", 30), QStringLiteral("0"));
    EXPECT_EQ(read("c300 0000", 16), QStringLiteral("refused"));
    EXPECT_EQ(read("c400 f9ff"), QStringLiteral("refused")); // short data
    EXPECT_EQ(read("c4"), QStringLiteral("refused"));
    EXPECT_EQ(read("a002 1234 00"), QStringLiteral("refused")); // a structure not served

    const QByteArray hello = hex("05000000") + ascii("Hello") + QByteArray(77 + 2, '\0');
    const auto string = TagValue::fromReply(hex("a002 ce0f") + hello);
    ASSERT_TRUE(string);
    EXPECT_EQ(*TagValue::text(*string), QStringLiteral("Hello"));
    EXPECT_EQ(*TagValue::encode(string->type, QStringLiteral("Hello")), hello);
    EXPECT_FALSE(TagValue::text({hex("a002 ce0f"), hex("ff000000") + QByteArray(84, 'x')}));
    EXPECT_FALSE(TagValue::encode(hex("d000"), QString(83, QLatin1Char('x'))));

    EXPECT_EQ(*TagValue::encode(hex("c300"), QStringLiteral("-2.5")), hex("fdff"));
    EXPECT_EQ(*TagValue::encode(hex("c500"), QStringLiteral("9007199254740993")), hex("0100000000002000"));
    EXPECT_EQ(*TagValue::encode(hex("ca00"), QStringLiteral("1.5")), hex("0000c03f"));
    EXPECT_EQ(*TagValue::encode(hex("c100"), QStringLiteral("7")), hex("01"));
    EXPECT_FALSE(TagValue::encode(hex("c200"), QStringLiteral("128")));
    // Whole numbers are checked as written, not after rounding to a double.
    EXPECT_EQ(*TagValue::encode(hex("c500"), QStringLiteral("-9223372036854775808")),
              hex("0000000000000080"));
    EXPECT_FALSE(TagValue::encode(hex("c500"), QStringLiteral("9223372036854775808")));
    EXPECT_FALSE(TagValue::encode(hex("c500"), QStringLiteral("-9223372036854775809")));
    EXPECT_FALSE(TagValue::encode(hex("c500"), QStringLiteral("9223372036854775807.5")));
    EXPECT_FALSE(TagValue::encode(hex("c500"), QStringLiteral("1e19")));
    EXPECT_EQ(*TagValue::encode(hex("c800"), QStringLiteral("4294967295")), hex("ffffffff"));
    EXPECT_FALSE(TagValue::encode(hex("c800"), QStringLiteral("-1")));
    EXPECT_FALSE(TagValue::encode(hex("c400"), QStringLiteral("ten")));
}

TEST(LogixTagTest, ArrayElementsAndFragmentedReads)
{
    // Elements of one-dimensional arrays, bits of them too, know their array; other forms do not.
    const auto bit = LogixTag::parse(QStringLiteral("Program:P.Counts[300].5")).value();
    EXPECT_EQ(bit.array, hex("91 09") + ascii("Program:P") + hex("00 91 06") + ascii("Counts"));
    EXPECT_EQ(bit.index, 300u);
    EXPECT_EQ(bit.bit, 5);
    EXPECT_EQ(LogixTag::elementOf(bit.array, 300), bit.path);
    for (const char* other : {"Counts", "Grid[1,2]", "Motor[1].Status", "Flags.3"})
        EXPECT_TRUE(LogixTag::parse(QString::fromLatin1(other))->array.isEmpty()) << other;

    const QByteArray big = hex("91 03") + ascii("Big") + hex("00 28 05");
    EXPECT_EQ(LogixTag::read(big, 3), hex("4c 04") + big + hex("0300"));
    EXPECT_EQ(LogixTag::readFragment(big, 1000, 0x0102f8), hex("52 04") + big + hex("e803 f8020100"));

    // Three DINTs in two pieces: the second request goes on from the eight bytes received.
    FragmentedRead read(big, 3);
    EXPECT_EQ(read.request(), LogixTag::read(big, 3));
    auto take = [&](const char* reply) {
        const auto r = Cip::parseReply(hex(reply), read.service());
        if (!r)
            return QStringLiteral("unparsed");
        const auto step = read.take(*r);
        return !step                                 ? step.error().description
               : *step == FragmentedRead::Step::More ? QStringLiteral("more")
                                                     : QStringLiteral("done");
    };
    EXPECT_EQ(take("cc 00 06 00 c400 01000000 feffffff"), "more");
    EXPECT_EQ(read.request(), hex("52 04") + big + hex("0300 08000000"));
    EXPECT_EQ(read.service(), LogixTag::ReadTagFragmented);
    EXPECT_EQ(take("d2 00 00 00 c400 03000000"), "done");
    const auto values = TagValue::elements(*TagValue::fromReply(read.replyData()), 3);
    ASSERT_TRUE(values);
    EXPECT_EQ(*TagValue::text(values->at(1)), "-2");
    EXPECT_EQ(*TagValue::text(values->at(2)), "3");

    // Pieces that cannot belong: another type, no progress, more than asked for, "partial" at the end.
    for (const char* bad : {"d2 00 06 00 c300 0100", "d2 00 06 00 c400", "d2 00 00 00 c400 0100000002000000",
                            "d2 00 06 00 c400 03000000"}) {
        FragmentedRead again(big, 3);
        ASSERT_TRUE(
            again.take(*Cip::parseReply(hex("cc 00 06 00 c400 01000000 02000000"), LogixTag::ReadTag)));
        const auto step = again.take(*Cip::parseReply(hex(bad), LogixTag::ReadTagFragmented));
        ASSERT_FALSE(step) << bad;
        EXPECT_TRUE(step.error().description.startsWith("malformed reply: ")) << bad;
    }
    FragmentedRead structure(big, 2);
    EXPECT_EQ(
        structure.take(*Cip::parseReply(hex("cc 00 06 00 a002 1234 00"), LogixTag::ReadTag)).error().number,
        ErrNo::TypeMismatch);

    // Elements of a string array are 88 bytes each, padding included; a reply of another size is refused.
    const QByteArray hello = hex("05000000") + ascii("Hello") + QByteArray(79, '\0');
    const auto strings = TagValue::elements({hex("d000"), hello + hello}, 2);
    ASSERT_TRUE(strings);
    EXPECT_EQ(*TagValue::text(strings->at(1)), "Hello");
    EXPECT_FALSE(TagValue::elements({hex("d000"), hello + hello.left(80)}, 2));
}

TEST(PcccTest, AddressesOfEveryFileKind)
{
    auto at = [](const char* item) { return Pccc::parse(QString::fromLatin1(item)).value(); };
    const Pccc::Address acc = at("T4:0.ACC"), dn = at("T4:0/DN"), pre = at("C5:1.PRE");
    EXPECT_EQ(acc.fileType, 0x86);
    EXPECT_EQ(acc.word, 2);
    EXPECT_EQ(acc.elementBytes, 6);
    EXPECT_EQ(dn.bit, 13);
    EXPECT_EQ(dn.word, 0);
    EXPECT_EQ(pre.fileType, 0x87);
    EXPECT_EQ(pre.element, 1);
    EXPECT_EQ(pre.word, 1);
    const Pccc::Address in = at("I:1/17"), out = at("O:0/3"), status = at("S:1/15"), bits = at("B3/16");
    EXPECT_TRUE(in.slotted);
    EXPECT_EQ(in.fileType, 0x8C);
    EXPECT_EQ(in.file, 1);
    EXPECT_EQ(in.element, 1);
    EXPECT_EQ(in.word, 1);
    EXPECT_EQ(in.bit, 1);
    EXPECT_EQ(out.fileType, 0x8B);
    EXPECT_EQ(out.bit, 3);
    EXPECT_EQ(status.fileType, 0x84);
    EXPECT_EQ(status.file, 2);
    EXPECT_EQ(status.bit, 15);
    EXPECT_EQ(bits.element, 1);
    EXPECT_EQ(bits.bit, 0);
    EXPECT_EQ(at("F8:3").valueBytes, 4);
    EXPECT_EQ(at("L9:0/31").bit, 31);
    EXPECT_EQ(at("ST9:0").elementBytes, 84);
    EXPECT_FALSE(Pccc::parse(QStringLiteral("Tank_Level")));
}

TEST(PcccTest, ItemsAreCheckedAgainstTheFamilysFilesAndElements)
{
    using Pccc::Dialect;
    auto fits = [](const char* item, Dialect dialect) {
        return Pccc::parse(QString::fromLatin1(item), dialect).ok();
    };
    // Tags are never taken for addresses, whatever their letters.
    for (const char* item : {"N7", "N65543", "G200200", "B3", "Flags.5"}) {
        EXPECT_FALSE(fits(item, Dialect::Slc)) << item;
        EXPECT_FALSE(fits(item, Dialect::Plc5)) << item;
    }
    // An SLC 500's files and elements end at 255, a PLC-5's at 999.
    for (const char* item : {"N7:256", "N256:0", "B3/4096", "T4:256.ACC", "F300:0"}) {
        EXPECT_FALSE(fits(item, Dialect::Slc)) << item;
        EXPECT_TRUE(fits(item, Dialect::Plc5)) << item;
    }
    EXPECT_TRUE(fits("N255:255", Dialect::Slc));
    EXPECT_TRUE(fits("B3/4095", Dialect::Slc));
    EXPECT_FALSE(fits("N7:1000", Dialect::Plc5));
    const Pccc::Address far = Pccc::parse(QStringLiteral("N999:999"), Dialect::Plc5).value();
    EXPECT_EQ(Pccc::read(1, far, 2).right(8), hex("06 ff e703 ff e703 02"));
    EXPECT_EQ(Pccc::parse(QStringLiteral("B3/15999"), Dialect::Plc5)->element, 999);
}

TEST(PcccTest, TypedReadsWritesAndRepliesInBytes)
{
    const QByteArray execute = hex("4b 02 20 67 24 01 07 3d f3 45 43 50 21 0f 00 34 12");
    auto at = [](const char* item) { return Pccc::parse(QString::fromLatin1(item)).value(); };
    EXPECT_EQ(Pccc::read(0x1234, at("N7:5"), 2), execute + hex("a2 02 07 89 05 00"));
    EXPECT_EQ(Pccc::read(0x1234, at("T4:0.ACC"), 12), execute + hex("a2 0c 04 86 00 00"));
    EXPECT_EQ(Pccc::read(0x1234, at("N255:0"), 2), execute + hex("a2 02 ff ff 00 89 00 00"));
    EXPECT_EQ(Pccc::read(0x1234, at("I:1/17"), 2), execute + hex("a2 02 01 8c 01 01"));
    EXPECT_EQ(Pccc::write(0x1234, at("N7:5"), hex("feff")), execute + hex("aa 02 07 89 05 00 fe ff"));
    EXPECT_EQ(Pccc::write(0x1234, at("T4:0.PRE"), hex("0a00")), execute + hex("aa 02 04 86 00 01 0a 00"));
    EXPECT_EQ(Pccc::maskedWrite(0x1234, at("B3/16"), 1, 1), execute + hex("ab 02 03 85 01 00 0100 0100"));
    EXPECT_EQ(Pccc::maskedWrite(0x1234, at("T4:0/DN"), 0x2000, 0),
              execute + hex("ab 02 04 86 00 00 0020 0000"));

    const QByteArray head = hex("cb 00 00 00 07 3d f3 45 43 50 21");
    EXPECT_EQ(*Pccc::replyData(head + hex("4f 00 34 12 2a 00"), 0x1234), hex("2a 00"));
    EXPECT_FALSE(Pccc::replyData(head + hex("4f 00 35 12 2a 00"), 0x1234)); // another transaction
    EXPECT_FALSE(Pccc::replyData(head.left(8), 0x1234));
    EXPECT_FALSE(Pccc::replyData(hex("cb 00 00 00 ff"), 0x1234)); // requester longer than the reply
    const auto refused = Pccc::replyData(head + hex("4f f0 34 12 06"), 0x1234);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().description,
              QStringLiteral("address does not point to something usable (PCCC status 0xf0, extended 0x06)"));

    EXPECT_EQ(*Pccc::text(at("N7:0"), hex("feff")), QStringLiteral("-2"));
    EXPECT_EQ(*Pccc::text(at("N7:0/15"), hex("0080")), QStringLiteral("1"));
    EXPECT_EQ(*Pccc::text(at("F8:0"), hex("0000c03f")), QStringLiteral("1.5"));
    EXPECT_EQ(*Pccc::text(at("L9:0"), hex("00000080")), QStringLiteral("-2147483648"));
    const QByteArray his("iH\0s", 4);
    EXPECT_EQ(*Pccc::text(at("ST9:0"), hex("0300") + his + QByteArray(78, '\0')), QStringLiteral("His"));
    EXPECT_FALSE(Pccc::text(at("F8:0"), hex("0000")));
    EXPECT_EQ(*Pccc::encode(at("ST9:0"), QStringLiteral("His")), hex("0300") + his + QByteArray(78, '\0'));
    EXPECT_EQ(*Pccc::encode(at("N7:0"), QStringLiteral("-2")), hex("feff"));
    EXPECT_FALSE(Pccc::encode(at("N7:0"), QStringLiteral("40000")));
}

TEST(PcccTest, Plc5WordRangeAndBitWritesWithSystemAddresses)
{
    auto at = [](const char* item) { return Pccc::parse(QString::fromLatin1(item), Pccc::Dialect::Plc5); };
    const Pccc::Address in = *at("I:012/07"), out = *at("O:000/17"), status = *at("S:1/15");
    EXPECT_EQ(in.file, 1);
    EXPECT_EQ(in.element, 10);
    EXPECT_EQ(in.bit, 7);
    EXPECT_FALSE(in.slotted);
    EXPECT_EQ(out.file, 0);
    EXPECT_EQ(out.bit, 15);
    EXPECT_EQ(status.file, 2);
    EXPECT_EQ(status.bit, 15);
    for (const char* refused : {"I:018", "I:012/20", "I:1.0/3", "L9:0"})
        EXPECT_FALSE(at(refused)) << refused;
    EXPECT_EQ(at("I:277/17")->element, 191);
    // An SLC's slots are decimal, and go to 30.
    EXPECT_EQ(Pccc::parse(QStringLiteral("I:012/07"))->element, 12);
    EXPECT_FALSE(Pccc::parse(QStringLiteral("I:31/0")));

    // Offset and transaction size in words, then the levels present (file, element, sub-element) and
    // each level's number, 0xFF and two bytes from 255 up.
    const QByteArray execute = hex("4b 02 20 67 24 01 07 3d f3 45 43 50 21 0f 00 34 12");
    EXPECT_EQ(Pccc::read(0x1234, *at("N7:5"), 4), execute + hex("01 0000 0200 06 07 05 04"));
    EXPECT_EQ(Pccc::read(0x1234, *at("T4:0.ACC"), 12), execute + hex("01 0000 0600 06 04 00 0c"));
    EXPECT_EQ(Pccc::read(0x1234, *at("N255:255"), 2), execute + hex("01 0000 0100 06 ff ff00 ff ff00 02"));
    EXPECT_EQ(Pccc::read(0x1234, in, 2), execute + hex("01 0000 0100 06 01 0a 02"));
    EXPECT_EQ(Pccc::write(0x1234, *at("N7:5"), hex("feff")), execute + hex("00 0000 0100 06 07 05 fe ff"));
    EXPECT_EQ(Pccc::write(0x1234, *at("F8:2"), hex("0000c03f")),
              execute + hex("00 0000 0200 06 08 02 0000c03f"));
    EXPECT_EQ(Pccc::write(0x1234, *at("T4:0.PRE"), hex("0a00")),
              execute + hex("00 0000 0100 0e 04 00 01 0a 00"));
    // Set mask, then reset mask.
    EXPECT_EQ(Pccc::maskedWrite(0x1234, out, 0x8000, 0x8000), execute + hex("02 06 00 00 0080 0000"));
    EXPECT_EQ(Pccc::maskedWrite(0x1234, *at("T4:0/DN"), 0x2000, 0),
              execute + hex("02 0e 04 00 00 0000 0020"));
    EXPECT_EQ(Pccc::maskedWrite(0x1234, *at("B3/16"), 1, 1), execute + hex("02 06 03 01 0100 0000"));
}

TEST(TopicConfigTest, FieldLinesWithDefaultsAndDamagedLinesReported)
{
    QStringList hops;
    for (int i = 0; i < 300; ++i)
        hops << QStringLiteral("1,0");
    const auto loaded = TopicConfig::parse({
        QStringLiteral("# topic\tdriver\thost\tport\tpath\tinterval\ttime-out\t"),
        QStringLiteral("PLC1\tLogix\t127.0.0.1\t44818\t1,0\t250\t2000\t"),
        QStringLiteral("Line2\tslc500\tplc2.local\t\t\t\t\t"),
        QStringLiteral("Broken\tLogix\t\t"),
        QStringLiteral("Odd\tLogix\t10.0.0.9\t44818\t1\t"),
        QStringLiteral("Twice\tLogix\thost\t"),
        QStringLiteral(""),
        QStringLiteral("Slow\tLogix\thost\t0\t"),
        QStringLiteral("Nope\tModbus\thost\t"),
        QStringLiteral("twice\tSim\t"),
        QStringLiteral("Far\tLogix\thost\t44818\t") + hops.join(QLatin1Char(',')),
    });
    ASSERT_EQ(loaded.topics.size(), 2);
    const TopicConfig& a = loaded.topics[0];
    EXPECT_EQ(a.topic, QStringLiteral("PLC1"));
    EXPECT_EQ(a.driver, TopicConfig::Driver::Logix);
    EXPECT_EQ(a.path, QStringLiteral("1,0"));
    const TopicConfig& b = loaded.topics[1];
    EXPECT_EQ(b.driver, TopicConfig::Driver::Slc500);
    EXPECT_EQ(b.port, 44818);
    EXPECT_EQ(b.intervalMs, 250);
    EXPECT_EQ(b.timeoutMs, 2000);
    // A topic two lines name is served by neither: which controller was meant is anyone's guess.
    const QList<int> refused = {4, 5, 6, 8, 9, 10, 11};
    ASSERT_EQ(loaded.refused.size(), refused.size());
    for (int i = 0; i < refused.size(); ++i)
        EXPECT_EQ(loaded.refused[i].line, refused[i]) << loaded.refused[i].why.toStdString();
    EXPECT_EQ(loaded.refusedTopics.value(QStringLiteral("TWICE")).line, 10);
    EXPECT_EQ(loaded.refusedTopics.value(QStringLiteral("FAR")).line, 11);
    EXPECT_EQ(loaded.refusedTopics.size(), 6);
}

TEST(ReplyDecodersTest, TruncatedAndRandomRepliesAreRefusedWithoutCrashing)
{
    // Every cut of well-formed replies, then random bytes behind plausible starts.
    const QList<QByteArray> replies = {
        hex("00000000 0000 0200 a100 0400 88776655 b100 1600 0300 8a 00 00 00 0200 0600 1000") +
            hex("cc 00 00 00 c4 00 f9 ff ff ff cc 00 05 00"),
        hex("0200 a100 0400 88776655 b100 0c00 0300 b1000e000100 cc 00 00 00 a0 02 ce 0f 05 00 00 00") +
            "Hello",
        hex("cb 00 00 00 07 3d f3 45 43 50 21 4f 00 01 00 03 00 69 48 00 73"),
        hex("db 00 00 00 78563412 44332211 4242 3df3 45435021 80841e00 80841e00 02 00 0000"),
        hex("8a 00 00 00 0300 0800 1200 1c00 cc 00 06 00 c400 01000000 d2 00 06 00 c400 feffffff") +
            hex("d2 00 00 00 c400 03000000"),
    };
    for (const QByteArray& reply : replies)
        for (qsizetype n = 0; n <= reply.size(); ++n)
            EXPECT_EQ(DecodeControllerReply(reinterpret_cast<const uint8_t*>(reply.constData()), size_t(n)),
                      0);
    QRandomGenerator random(16);
    for (int i = 0; i < 20000; ++i) {
        QByteArray bytes = replies[i % replies.size()].left(random.bounded(24));
        bytes.resize(bytes.size() + random.bounded(64));
        for (qsizetype j = bytes.size() / 2; j < bytes.size(); ++j)
            bytes[j] = static_cast<char>(random.bounded(256));
        EXPECT_EQ(
            DecodeControllerReply(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())),
            0);
    }
}
