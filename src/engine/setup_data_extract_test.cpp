#include "engine/setup_data_extract.h"

#include <gtest/gtest.h>

#include "support/setup_data_test_support.h"

namespace engine {
namespace {

using namespace engine::testing;

const char kLdapKeepList[] =
    ";slapd.conf;schema\\corba.schema;schema\\core.schema;schema\\cosine.schema;schema\\inetorgperson.schema;"
    "schema\\java.schema;schema\\krb5-kdc.schema;schema\\misc.schema;schema\\nadf.schema;schema\\nis.schema;"
    "schema\\openldap.schema;ldbm\\dn2id.dbb;ldbm\\id2entry.dbb;ldbm\\nextid.dbb;ldbm\\objectClass.dbb;";

// Every case runs with the entries read inline and read ahead on a second
// thread: the outcome must not depend on it.
class ExtractEntriesTest : public ::testing::TestWithParam<ExtractReading> {
 protected:
  ExtractReport Extract(const std::string& bytes, MemoryTarget& target, const ExtractRules& rules = ExtractRules()) {
    MemorySource source(bytes);
    return ExtractEntries(source, target, rules, ExtractObserver(), GetParam());
  }
};

INSTANTIATE_TEST_SUITE_P(Reading, ExtractEntriesTest,
                         ::testing::Values(ExtractReading::kInline, ExtractReading::kAhead),
                         [](const ::testing::TestParamInfo<ExtractReading>& info) {
                           return info.param == ExtractReading::kInline ? "Inline" : "Ahead";
                         });

std::string RawContainer(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string bytes = Header(false, 2);
  for (const auto& [name, data] : entries) bytes += PrefixedEntry(name, data);
  return bytes;
}

TEST_P(ExtractEntriesTest, OverwriteAllWritesEveryEntryReplacingWhatExists) {
  MemoryTarget target;
  target.Put("a.txt", "old");
  ExtractReport report = Extract(RawContainer({{"a.txt", "new"}, {"b/c.txt", "c"}}), target);
  EXPECT_TRUE(report.result);
  EXPECT_EQ(report.stop, ExtractStop::kEndOfFile);
  EXPECT_EQ(report.entries, 2u);
  EXPECT_EQ(report.written, 2u);
  EXPECT_EQ(report.bytesWritten, 4u);
  EXPECT_EQ(target.Bytes("a.txt"), "new");
  EXPECT_EQ(target.Bytes("b\\c.txt"), "c");
  EXPECT_EQ(target.created, (std::vector<std::string>{"a.txt", "b\\c.txt"}));
  EXPECT_TRUE(target.files.at("b\\c.txt").closed);
}

TEST_P(ExtractEntriesTest, WithoutOverwriteAndWithoutKeepListExistingFilesStay) {
  MemoryTarget target;
  target.Put("a.txt", "old");
  ExtractRules rules;
  rules.overwriteAll = false;
  ExtractReport report = Extract(RawContainer({{"A.TXT", "new"}, {"b.txt", "b"}}), target, rules);
  EXPECT_TRUE(report.result);
  EXPECT_EQ(report.notSelected, 1u);
  EXPECT_EQ(target.Bytes("a.txt"), "old");
  EXPECT_EQ(target.Bytes("b.txt"), "b");
  EXPECT_EQ(target.created, (std::vector<std::string>{"b.txt"}));
}

TEST_P(ExtractEntriesTest, LdapKeepListKeepsListedFilesAndReplacesTheRest) {
  MemoryTarget target;
  target.Put("slapd.conf", "admin's configuration");
  target.Put("schema\\core.schema", "admin's schema");
  target.Put("ldbm\\objectclass.dbb", "admin's data");
  target.Put("slapd.exe", "old program");
  target.Put("schema\\local.schema", "old local");
  target.Put("conf\\slapd.conf", "old nested");
  ExtractRules rules;
  rules.overwriteAll = false;
  rules.keepList = kLdapKeepList;
  ExtractReport report = Extract(RawContainer({{"SLAPD.CONF", "shipped conf"},
                                               {"schema/core.schema", "shipped schema"},
                                               {"ldbm\\objectClass.dbb", "shipped data"},
                                               {"slapd.exe", "new program"},
                                               {"schema\\local.schema", "new local"},
                                               {"conf\\slapd.conf", "new nested"},
                                               {"schema\\cosine.schema", "new cosine"}}),
                                 target, rules);
  EXPECT_TRUE(report.result);
  EXPECT_EQ(target.Bytes("slapd.conf"), "admin's configuration") << "any letter case is kept";
  EXPECT_EQ(target.Bytes("schema\\core.schema"), "admin's schema");
  EXPECT_EQ(target.Bytes("ldbm\\objectclass.dbb"), "admin's data");
  EXPECT_EQ(target.Bytes("slapd.exe"), "new program");
  EXPECT_EQ(target.Bytes("schema\\local.schema"), "new local");
  // The list item "slapd.conf" is a whole relative name; it does not protect
  // a file of that last name in another directory.
  EXPECT_EQ(target.Bytes("conf\\slapd.conf"), "new nested");
  EXPECT_EQ(target.Bytes("schema\\cosine.schema"), "new cosine") << "listed but new: written";
  EXPECT_EQ(report.notSelected, 3u);
  EXPECT_EQ(report.written, 4u);
}

TEST_P(ExtractEntriesTest, KeepListIsIgnoredWhenOverwritingAll) {
  MemoryTarget target;
  target.Put("slapd.conf", "admin's");
  ExtractRules rules;
  rules.keepList = kLdapKeepList;
  Extract(RawContainer({{"slapd.conf", "shipped"}}), target, rules);
  EXPECT_EQ(target.Bytes("slapd.conf"), "shipped");
}

TEST_P(ExtractEntriesTest, IncludeListWritesOnlyTheNamedEntries) {
  EXPECT_EQ(ParseIncludeList(" A.txt ;;b\\C.TXT; ;"), (std::vector<std::string>{"a.txt", "b\\c.txt"}));
  MemoryTarget target;
  ExtractRules rules;
  rules.includeList = " A.txt ;;b\\C.TXT; ;";
  ExtractReport report = Extract(RawContainer({{"a.txt", "1"}, {"b/c.txt", "2"}, {"c.txt", "3"}, {"b\\a.txt", "4"}}),
                                 target, rules);
  EXPECT_TRUE(report.result);
  EXPECT_EQ(target.created, (std::vector<std::string>{"a.txt", "b\\c.txt"}));
  EXPECT_EQ(report.notSelected, 2u);

  // Together with the overwrite rule: an included file that exists stays.
  MemoryTarget existing;
  existing.Put("a.txt", "old");
  rules.overwriteAll = false;
  Extract(RawContainer({{"a.txt", "1"}, {"b/c.txt", "2"}}), existing, rules);
  EXPECT_EQ(existing.Bytes("a.txt"), "old");
  EXPECT_EQ(existing.Bytes("b\\c.txt"), "2");
}

TEST_P(ExtractEntriesTest, SizeZeroGivesAnEmptyFileRawAndCompressed) {
  MemoryTarget raw;
  Extract(Header(false, 2) + PrefixedEntry("empty", ""), raw);
  ASSERT_TRUE(raw.Has("empty"));
  EXPECT_EQ(raw.Bytes("empty"), "");
  MemoryTarget compressed;
  ExtractReport report = Extract(Header(true, 2) + PrefixedEntry("empty", "") + PrefixedEntry("h", kHelloZlib),
                                 compressed);
  ASSERT_TRUE(compressed.Has("empty"));
  EXPECT_EQ(compressed.Bytes("empty"), "");
  EXPECT_EQ(compressed.Bytes("h"), "hello");
  EXPECT_EQ(report.inflateFailures, 0u);
}

TEST_P(ExtractEntriesTest, NameThatTrimsToEmptyEndsWithTrueEvenWithDataAfterIt) {
  MemoryTarget target;
  ExtractReport report =
      Extract(RawContainer({{"first", "1"}, {"   ", "data after the end"}, {"second", "2"}}), target);
  EXPECT_TRUE(report.result);
  EXPECT_EQ(report.stop, ExtractStop::kEmptyName);
  EXPECT_EQ(target.created, (std::vector<std::string>{"first"}));
}

TEST_P(ExtractEntriesTest, TargetThatCannotBeCreatedStopsReadingWithTrue) {
  MemoryTarget target;
  target.readOnly.insert("locked.dll");
  ExtractReport report = Extract(RawContainer({{"a", "1"}, {"Locked.dll", "2"}, {"b", "3"}}), target);
  EXPECT_TRUE(report.result) << "the caller does not see the failure";
  EXPECT_EQ(report.stop, ExtractStop::kTargetNotCreated);
  EXPECT_EQ(report.stopEntry.name, "Locked.dll");
  EXPECT_EQ(target.created, (std::vector<std::string>{"a"})) << "later entries are not extracted";
}

TEST_P(ExtractEntriesTest, WriteErrorStopsReadingWithTrue) {
  MemoryTarget target;
  target.writeLimit = 5;
  ExtractReport report = Extract(RawContainer({{"a", "123"}, {"b", "4567"}, {"c", "8"}}), target);
  EXPECT_TRUE(report.result);
  EXPECT_EQ(report.stop, ExtractStop::kWriteError);
  EXPECT_EQ(report.stopEntry.name, "b");
  EXPECT_EQ(target.created, (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(target.files.at("b").closed) << "the target is closed";
}

TEST_P(ExtractEntriesTest, CorruptCompressedEntryIsLeftEmptyAndTheNextIsWritten) {
  std::string bad = ZlibCompress(TestBytes(200000, 4, true));
  bad[bad.size() / 3] ^= 0x40;
  MemoryTarget target;
  target.Put("bad.txt", "old content");
  ExtractReport report =
      Extract(Header(true, 2) + PrefixedEntry("bad.txt", bad) + PrefixedEntry("good.txt", kHelloZlib), target);
  EXPECT_TRUE(report.result);
  EXPECT_EQ(report.inflateFailures, 1u);
  EXPECT_EQ(target.Bytes("bad.txt"), "") << "target left empty";
  EXPECT_EQ(target.Bytes("good.txt"), "hello");
}

TEST_P(ExtractEntriesTest, TruncatedDataEndsTheExtractionWithTrue) {
  MemoryTarget raw;
  ExtractReport rawReport = Extract(RawContainer({{"a", "1"}}) + PrefixedName("cut") + Le32(1000) + "part", raw);
  EXPECT_TRUE(rawReport.result);
  EXPECT_TRUE(rawReport.dataTruncated);
  EXPECT_EQ(raw.Bytes("cut"), "part") << "raw data read so far stays";

  std::string stream = ZlibCompress(TestBytes(100000, 6, true));
  MemoryTarget compressed;
  ExtractReport zReport = Extract(Header(true, 2) + PrefixedName("cut") + Le32(static_cast<uint32_t>(stream.size())) +
                                      stream.substr(0, stream.size() - 10),
                                  compressed);
  EXPECT_TRUE(zReport.result);
  EXPECT_TRUE(zReport.dataTruncated);
  ASSERT_TRUE(compressed.Has("cut"));
  EXPECT_EQ(compressed.Bytes("cut"), "") << "truncated compressed data leaves the target empty";
}

TEST_P(ExtractEntriesTest, DamagedContainersAnswerFalseAndKeepEarlierEntries) {
  struct Case {
    std::string tail;
    ExtractStop stop;
    bool last = false;  // the damage is the end of the file
  };
  const Case cases[] = {
      {PrefixedEntry("..\\x", "evil"), ExtractStop::kUnsafeName},
      {PrefixedEntry("C:\\x", "evil"), ExtractStop::kUnsafeName},
      {PrefixedEntry("\\x", "evil"), ExtractStop::kUnsafeName},
      {PrefixedEntry("a\\..\\..\\x", "evil"), ExtractStop::kUnsafeName},
      {PrefixedName("neg") + Le32(0xFFFFFFFFu) + "data", ExtractStop::kNegativeSize},
      {PrefixedName("cut") + std::string("\x01\x00", 2), ExtractStop::kTruncatedField, true},
      {std::string("\x09" "truncated", 6), ExtractStop::kTruncatedField, true},
  };
  for (const Case& c : cases) {
    MemoryTarget target;
    std::string bytes = RawContainer({{"before.txt", "kept"}}) + c.tail;
    if (!c.last) bytes += PrefixedEntry("after", "x");
    ExtractReport report = Extract(bytes, target);
    EXPECT_FALSE(report.result) << ExtractStopText(c.stop);
    EXPECT_EQ(report.stop, c.stop) << ExtractStopText(report.stop);
    EXPECT_EQ(target.created, (std::vector<std::string>{"before.txt"})) << ExtractStopText(c.stop);
  }
}

TEST_P(ExtractEntriesTest, UnreadableHeaderAnswersFalse) {
  PiecewiseSource source(RawContainer({{"a", "1"}}), 64, 0);
  MemoryTarget target;
  ExtractReport report = ExtractEntries(source, target, ExtractRules(), ExtractObserver(), GetParam());
  EXPECT_FALSE(report.result);
  EXPECT_EQ(report.stop, ExtractStop::kHeaderReadError);
  EXPECT_TRUE(target.created.empty());
}

TEST_P(ExtractEntriesTest, ObserverSeesEveryEntryWithItsOutcome) {
  // "kept" is skipped because it exists, or, when every file is overwritten,
  // because the include list leaves it out.
  for (bool overwriteAll : {false, true}) {
    MemoryTarget target;
    target.Put("kept", "k");
    ExtractRules rules;
    rules.overwriteAll = overwriteAll;
    if (overwriteAll) rules.includeList = "bad;new";
    std::vector<std::string> seen;
    std::string bytes = Header(true, 2) + PrefixedEntry("kept", kHelloZlib) + PrefixedEntry("bad", "xx") +
                        PrefixedEntry("new", kHelloZlib);
    MemorySource source(bytes);
    ExtractEntries(
        source, target, rules,
        [&](const DataFileEntryInfo& e, bool selected, SetupDataReader::DataStatus s) {
          seen.push_back(e.name + (selected ? " written " : " skipped ") + DataStatusText(s));
        },
        GetParam());
    EXPECT_EQ(seen, (std::vector<std::string>{"kept skipped complete", "bad written the data does not inflate",
                                              "new written complete"}))
        << "overwriting all: " << overwriteAll;
  }
}

}  // namespace
}  // namespace engine
