#include <gtest/gtest.h>

#include <climits>

#include "base/utf.h"
#include "connections/connection_record.h"

using namespace mirelon;

TEST(ConnectionRecord, DescribeAndParseBack) {
  auto chat = NewRecord(u"COM5", u"NULL", 9600, 2);
  EXPECT_EQ(Describe(chat), u"Port:COM5;Port2:NULL;Speed:9600;Protocol:2;User:Guest;");
  auto named = NewRecord(u"COM3", u"COM4", 230400, 1, u"\u5C71\u7530");
  EXPECT_EQ(ParseDescription(Describe(named)), named);
  // A present but empty user stays empty.
  EXPECT_EQ(NewRecord(u"COM3", u"NULL", 1, 0, u"").user, u"");
  // No fixed buffer: long names come back whole.
  auto longName = NewRecord(std::u16string(300, u'P'), u"NULL", 1, 0, std::u16string(5000, u'u'));
  EXPECT_EQ(ParseDescription(Describe(longName)), longName);
}

TEST(ConnectionRecord, ParseRules) {
  auto r = ParseDescription(u"Port:COM3;Speed:19200;");
  EXPECT_EQ(r.port, u"COM3");
  EXPECT_EQ(r.port2, u"");  // missing fields are empty, not "NULL" or "Guest"
  EXPECT_EQ(r.speed, 19200);
  EXPECT_EQ(r.protocol, 0);
  EXPECT_EQ(r.user, u"");
  EXPECT_EQ(DisplayText(r).substr(0, 6), u"Guest ");

  r = ParseDescription(
      u";;Port2:COM4;;Speed:12ab;Protocol:2;Port:A;Port:B;port:C;User:x:y;Other:1;");
  EXPECT_EQ(r.port2, u"COM4");  // "Port2:" is not taken for "Port:"
  EXPECT_EQ(r.port, u"B");      // the later piece wins; keys are case-sensitive
  EXPECT_EQ(r.speed, 12);
  EXPECT_EQ(r.protocol, 2);
  EXPECT_EQ(r.user, u"x:y");

  EXPECT_EQ(ParseDescription(u"Speed:-5;Protocol:+1;").speed, 0);
  EXPECT_EQ(ParseDescription(u"Speed:99999999999999999999;").speed, INT_MAX);
  EXPECT_EQ(ParseDescription(u"Protocol:2147483648;").protocol, INT_MAX);
  EXPECT_EQ(ParseDescription(u"Speed:2147483647").speed, INT_MAX);
  EXPECT_EQ(ParseDescription(u"nothing known"), ParseDescription(u""));
  EXPECT_EQ(ParseDescription(u"Port:;User:"), NewRecord(u"", u"", 0, 0, u""));
  // No escaping: ";" inside a name cuts it.
  EXPECT_EQ(ParseDescription(Describe(NewRecord(u"COM1", u"NULL", 1, 0, u"a;b"))).user, u"a");
}

TEST(ConnectionRecord, DisplayText) {
  EXPECT_EQ(DisplayText(NewRecord(u"COM3", u"COM4", 9600, 0, u"user1")),
            U16("user1 COM3 着信 COM4 "));
  EXPECT_EQ(DisplayText(NewRecord(u"COM3", u"NULL", 9600, 0, u"user1")), u"user1 COM3 ");
  EXPECT_EQ(DisplayText(NewRecord(u"NULL", u"COM4", 9600, 0)), U16("Guest 着信 COM4 "));
  // "NULL" in any case, or an empty name, is no port wherever it is read.
  EXPECT_EQ(DisplayText(NewRecord(u"null", u"", 9600, 0)), u"Guest ");
  for (std::u16string_view none : {u"", u"NULL", u"null", u"nUlL"}) EXPECT_TRUE(IsNoPort(none)) << Utf16ToUtf8(none);
  for (std::u16string_view port : {u"COM3", u"NUL", u"NULLS", u" NULL", u"ＮＵＬＬ"}) EXPECT_FALSE(IsNoPort(port));
}

TEST(ConnectionRecord, Lists) {
  ConnectionRecordList empty;
  EXPECT_FALSE(ListToText(empty));
  EXPECT_EQ(Count(empty), 0);
  EXPECT_EQ(SummaryText(empty), U16("接続端末数：0\r"));
  EXPECT_EQ(Count(ListFromText(u"||||")), 0);
  EXPECT_EQ(Count(ListFromText(u"")), 0);

  ConnectionRecordList list;
  list.records.push_back(NewRecord(u"COM3", u"NULL", 38400, 2, u"user1"));
  list.records.push_back(NewRecord(u"NULL", u"COM7", 9600, 0));
  const auto text = ListToText(list);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text,
            u"Port:COM3;Port2:NULL;Speed:38400;Protocol:2;User:user1;|"
            u"Port:NULL;Port2:COM7;Speed:9600;Protocol:0;User:Guest;|");
  auto back = ListFromText(*text);
  EXPECT_EQ(back.records, list.records);
  EXPECT_EQ(SummaryText(back), U16("接続端末数：2\ruser1 COM3 \rGuest 着信 COM7 \r"));
  // "|" inside a name splits the record in two.
  list.records[0].user = u"a|b";
  EXPECT_EQ(Count(ListFromText(*ListToText(list))), 3);
}
