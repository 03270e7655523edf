#include "platform/com/com.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/com/regexp.h"

namespace {

// Initialises COM for the current scope of the calling thread.
struct ComScope {
    ComScope() { win::CoInitialize(nullptr); }
    ~ComScope() { win::CoUninitialize(); }
};

TEST(ComTest, InitialisationIsCountedPerThread) {
    ASSERT_FALSE(com::IsInitialized());
    EXPECT_EQ(win::CoInitialize(nullptr), win::S_OK);
    EXPECT_EQ(win::CoInitialize(nullptr), win::S_FALSE);
    bool otherThread = true;
    std::thread([&] { otherThread = com::IsInitialized(); }).join();
    EXPECT_FALSE(otherThread);
    win::CoUninitialize();
    EXPECT_TRUE(com::IsInitialized());
    win::CoUninitialize();
    EXPECT_FALSE(com::IsInitialized());
    // One more is ignored and does not unbalance a later initialisation.
    win::CoUninitialize();
    EXPECT_EQ(win::CoInitialize(nullptr), win::S_OK);
    win::CoUninitialize();
    int dummy = 0;
    EXPECT_EQ(win::CoInitialize(&dummy), win::E_INVALIDARG);
    EXPECT_FALSE(com::IsInitialized());
}

TEST(ComTest, EngineNeedsAnInitialisedThread) {
    EXPECT_EQ(com::CreateRegExp(), nullptr);
    ComScope com;
    EXPECT_NE(com::CreateRegExp(), nullptr);
}

TEST(ComTest, EngineBelongsToItsThread) {
    ComScope com;
    std::unique_ptr<com::RegExp> regex = com::CreateRegExp();
    ASSERT_NE(regex, nullptr);
    regex->SetPattern(u"a");
    win::HRESULT executed = win::S_OK;
    win::HRESULT replaced = win::S_OK;
    std::thread([&] {
        ComScope threadCom;
        std::unique_ptr<com::MatchCollection> matches;
        std::u16string result;
        executed = regex->Execute(u"a", &matches);
        replaced = regex->Replace(u"a", u"b", &result);
    }).join();
    EXPECT_EQ(executed, win::RPC_E_WRONG_THREAD);
    EXPECT_EQ(replaced, win::RPC_E_WRONG_THREAD);
    std::unique_ptr<com::MatchCollection> matches;
    EXPECT_EQ(regex->Execute(u"a", &matches), win::S_OK);
}

TEST(ComTest, PropertiesByNameKnowOnlyTheEnginesOwn) {
    ComScope com;
    std::unique_ptr<com::RegExp> regex = com::CreateRegExp();
    ASSERT_NE(regex, nullptr);
    EXPECT_FALSE(regex->IgnoreCase() || regex->Multiline() || regex->Global());
    EXPECT_EQ(regex->PutProperty("IgnoreCase", true), win::S_OK);
    EXPECT_EQ(regex->PutProperty("multiline", true), win::S_OK);
    EXPECT_EQ(regex->PutProperty("Global", true), win::S_OK);
    EXPECT_EQ(regex->PutProperty("Singleline", true), win::DISP_E_UNKNOWNNAME);
    EXPECT_TRUE(regex->IgnoreCase() && regex->Multiline() && regex->Global());

    regex->SetPattern(u"a.b");
    std::unique_ptr<com::MatchCollection> matches;
    ASSERT_EQ(regex->Execute(u"A\nb a\rb", &matches), win::S_OK);
    EXPECT_EQ(matches->Count(), 0);
}

TEST(ComTest, MatchesCarryUnitPositionsAndOutliveTheEngine) {
    ComScope com;
    std::unique_ptr<com::RegExp> regex = com::CreateRegExp();
    ASSERT_NE(regex, nullptr);
    regex->SetGlobal(true);
    regex->SetPattern(u"(\\d)(x)?");
    std::unique_ptr<com::MatchCollection> matches;
    ASSERT_EQ(regex->Execute(u"国1x 2", &matches), win::S_OK);
    regex.reset();

    ASSERT_EQ(matches->Count(), 2);
    const com::Match second = *matches->Item(1);
    EXPECT_EQ(second.Value(), u"2");
    EXPECT_EQ(second.FirstIndex(), 4);
    EXPECT_EQ(second.Length(), 1);
    const com::SubMatchCollection groups = second.SubMatches();
    EXPECT_EQ(groups.Count(), 2);
    EXPECT_EQ(groups.Item(0), u"2");
    EXPECT_EQ(groups.Item(1), u"");
    EXPECT_EQ(groups.FirstIndex(1), -1);
    EXPECT_EQ(groups.Item(2), std::nullopt);
    EXPECT_EQ(matches->Item(0)->SubMatches().FirstIndex(1), 2);
    EXPECT_EQ(matches->Item(2), std::nullopt);
    EXPECT_EQ(matches->Item(-1), std::nullopt);
}

TEST(ComTest, FailuresAreResultCodes) {
    ComScope com;
    std::unique_ptr<com::RegExp> regex = com::CreateRegExp();
    ASSERT_NE(regex, nullptr);
    std::unique_ptr<com::MatchCollection> matches;
    std::u16string result = u"old";
    for (const char16_t* pattern : {u"(a", u"[a", u"a{2,1}", u"*", u"\\"}) {
        regex->SetPattern(pattern);
        EXPECT_EQ(regex->Execute(u"aaa", &matches), com::E_REGEXP_SYNTAX);
        EXPECT_EQ(matches, nullptr);
        EXPECT_EQ(regex->Replace(u"aaa", u"b", &result), com::E_REGEXP_SYNTAX);
        EXPECT_EQ(result, u"");
    }
    // Backtracking without end stops at the limit instead of running on.
    regex->SetPattern(u"(a|a)*(b|c)");
    EXPECT_EQ(regex->Execute(std::u16string(40, u'a') + u"d", &matches), com::E_REGEXP_LIMIT);
    EXPECT_EQ(regex->Execute(u"a", nullptr), win::E_INVALIDARG);
}

// A repeated group over a whole large subject needs a deep backtracking
// stack; it must neither overflow the machine stack nor fail.
TEST(ComTest, DeepMatchOverTenMillionUnits) {
    ComScope com;
    std::unique_ptr<com::RegExp> regex = com::CreateRegExp();
    ASSERT_NE(regex, nullptr);
    std::u16string subject;
    for (int i = 0; i < 5'000'000; ++i) {
        subject += u"\r\n";
    }
    regex->SetPattern(u"(\\r\\n)+");
    std::unique_ptr<com::MatchCollection> matches;
    ASSERT_EQ(regex->Execute(subject, &matches), win::S_OK);
    ASSERT_EQ(matches->Count(), 1);
    EXPECT_EQ(matches->Item(0)->Length(), 10'000'000);

    regex->SetPattern(u"(.|\\s)*");
    regex->SetGlobal(true);
    std::u16string result;
    ASSERT_EQ(regex->Replace(subject, u"x", &result), win::S_OK);
    EXPECT_EQ(result, u"xx");  // the whole subject, then the empty end
}

}  // namespace
