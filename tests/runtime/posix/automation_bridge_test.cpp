// The bridge against a recording object in the Linux object model: what arrives at the
// object (element order, kinds, references, the named put value), the binding order,
// write-back, result conversions and the status codes.
#include <gtest/gtest.h>

#include <thread>

#include "runtime/automation.h"
#include "support/posix/recording_object.h"

namespace clocktool {
namespace {

using testing::RecordedCall;
using testing::Recorder;

class AutomationBridge : public ::testing::Test {
protected:
    void SetUp() override {
        recorder = testing::RegisterRecordingClass(testing::RecordingTestClass());
        ASSERT_TRUE(ObjectCreate(object, "ClockTool.RecordingObject"));
    }
    void TearDown() override {
        ObjectClear(object);
        model::UnregisterClass("ClockTool.RecordingObject");
    }

    const RecordedCall& OnlyCall() {
        EXPECT_EQ(recorder->calls.size(), 1u);
        return recorder->calls.at(0);
    }

    std::shared_ptr<Recorder> recorder;
    ComObject object;
};

TEST_F(AutomationBridge, MethodArgumentsArriveInReverseOrderWithTheirKinds) {
    ObjectCallMethod(object, "Open", {Text("HEAD"), Text("http://127.0.0.1/"), false});
    EXPECT_EQ(LastAutomationStatus(), 0);
    const RecordedCall& call = OnlyCall();
    EXPECT_EQ(call.kind, INVOKE_FUNC);
    EXPECT_FALSE(call.namedPropertyPut);
    ASSERT_EQ(call.args.size(), 3u);
    EXPECT_EQ(call.args[2], BstrVariant(u"HEAD"));
    EXPECT_EQ(call.args[1], BstrVariant(u"http://127.0.0.1/"));
    EXPECT_EQ(call.args[0], BoolVariant(false));
}

TEST_F(AutomationBridge, IndexedPutPassesTheValueAsTheNamedElementZero) {
    EXPECT_TRUE(ObjectWriteProperty(object, "Option", {6, 0}));
    const RecordedCall& call = OnlyCall();
    EXPECT_EQ(call.kind, INVOKE_PROPERTYPUT);
    EXPECT_TRUE(call.namedPropertyPut);
    ASSERT_EQ(call.args.size(), 2u);
    EXPECT_EQ(call.args[0], I4Variant(0));
    EXPECT_EQ(call.args[1], I4Variant(6));
}

TEST_F(AutomationBridge, OmittedArguments) {
    // Trailing ones are not passed at all.
    ObjectCallMethod(object, "Open", {Text("GET"), Text("u"), AutomationArg(), AutomationArg()});
    EXPECT_EQ(LastAutomationStatus(), 0);
    EXPECT_EQ(recorder->calls.at(0).args.size(), 2u);

    // One between given ones is the missing-argument mark.
    ObjectCallMethod(object, "Join", {1, AutomationArg(), 3});
    EXPECT_EQ(LastAutomationStatus(), 0);
    const RecordedCall& join = recorder->calls.at(1);
    ASSERT_EQ(join.args.size(), 3u);
    EXPECT_EQ(join.args[2], I4Variant(1));
    EXPECT_EQ(join.args[1], ErrorVariant(kDispEParamNotFound));
    EXPECT_EQ(join.args[0], I4Variant(3));

    // An empty Variant counts as omitted; a required parameter then refuses the call.
    ObjectCallMethod(object, "Open", {Text("GET"), EmptyVariant(), true});
    EXPECT_EQ(recorder->calls.at(2).args[1], ErrorVariant(kDispEParamNotFound));
    EXPECT_EQ(LastAutomationStatus(), kStatusParamNotOptional);
}

TEST_F(AutomationBridge, ArgumentKindsBecomeTheirVariants) {
    const Variant r4 = [] { Variant v = R8Variant(1.5); v.vt = VT_R4; return v; }();
    const Variant date = [] { Variant v = R8Variant(2.25); v.vt = VT_DATE; return v; }();
    const Variant ui1 = [] { Variant v = I4Variant(200); v.vt = VT_UI1; return v; }();
    Variant byRefInside = I4Variant(9);
    struct Case {
        AutomationArg arg;
        Variant expected;
    } cases[] = {
        {std::int32_t{-7}, I4Variant(-7)},
        {std::int64_t{0x1'2345'6789}, I4Variant(0x2345'6789)},   // the low 32 bits
        {std::int16_t{-2}, I2Variant(-2)},
        {std::uint8_t{200}, ui1},
        {true, BoolVariant(true)},
        {1.5f, r4},
        {2.5, R8Variant(2.5)},
        {DateTime{2.25}, date},
        {Text(""), BstrVariant(u"")},
        {Text("2077\xC4\xEA"), BstrVariant(u"2077年")},   // 2077年: GBK in, UTF-16 out
        {RefVariant(VT_I4, byRefInside), I4Variant(9)},    // a Variant argument is copied with references resolved
    };
    for (const Case& c : cases) {
        recorder->calls.clear();
        ObjectCallMethod(object, "Bytes", {c.arg});
        ASSERT_EQ(recorder->calls.size(), 1u);
        EXPECT_EQ(recorder->calls[0].args.at(0), c.expected) << "vt " << c.expected.vt;
    }
}

TEST_F(AutomationBridge, ReferencesToDeclaredReferenceParameters) {
    std::int32_t count = 7;
    Text label("x");
    ObjectCallMethod(object, "Describe", {AutomationArg::Ref(count), Text("any"), 5});
    EXPECT_EQ(LastAutomationStatus(), 0);
    const RecordedCall& call = OnlyCall();
    ASSERT_EQ(call.args.size(), 3u);
    // Each by-reference parameter gets a reference to a converted copy.
    EXPECT_EQ(call.args[2].vt, VT_BYREF | VT_I4);
    EXPECT_EQ(call.referenced[2], I4Variant(7));
    EXPECT_EQ(call.args[1].vt, VT_BYREF | VT_VARIANT);
    EXPECT_EQ(call.referenced[1], BstrVariant(u"any"));
    EXPECT_EQ(call.args[0].vt, VT_BYREF | VT_BSTR);
    EXPECT_EQ(call.referenced[0], BstrVariant(u"5"));

    // The missing mark, and a value with no conversion to the declared type, go by value.
    recorder->calls.clear();
    ObjectCallMethod(object, "Describe", {Text("not a number"), AutomationArg(), AutomationArg::Ref(label)});
    const RecordedCall& second = OnlyCall();
    EXPECT_EQ(second.args[2], BstrVariant(u"not a number"));
    EXPECT_EQ(second.args[1], ErrorVariant(kDispEParamNotFound));
    EXPECT_EQ(second.args[0].vt, VT_BYREF | VT_BSTR);
}

TEST_F(AutomationBridge, OutputParametersAreWrittenBackToReferencesOnly) {
    recorder->answers["Fill"].outputs = {{1, BstrVariant(u"你好")}, {2, I4Variant(2)}};
    std::int32_t size = 5;
    Text text("old");
    std::int32_t length = -1;
    ObjectCallMethod(object, "Fill", {AutomationArg::Ref(size), AutomationArg::Ref(text), AutomationArg::Ref(length)});
    EXPECT_EQ(LastAutomationStatus(), 0);
    const RecordedCall& call = OnlyCall();
    EXPECT_EQ(call.args[2], I4Variant(5));   // declared by value: a plain value, nothing written back
    EXPECT_EQ(call.args[1].vt, VT_BYREF | VT_BSTR);
    EXPECT_EQ(call.args[0].vt, VT_BYREF | VT_I4);
    EXPECT_EQ(text, Text("\xC4\xE3\xBA\xC3"));   // 你好
    EXPECT_EQ(length, 2);
    EXPECT_EQ(size, 5);

    // Given by value, an output parameter writes nowhere.
    Text unchanged("keep");
    ObjectCallMethod(object, "Fill", {1, unchanged, 0});
    EXPECT_EQ(LastAutomationStatus(), 0);
    EXPECT_EQ(unchanged, Text("keep"));

    // A failed call writes nothing back.
    recorder->answers["Fill"].hr = kDispEException;
    Text untouched("same");
    ObjectCallMethod(object, "Fill", {1, AutomationArg::Ref(untouched), AutomationArg::Ref(length)});
    EXPECT_EQ(LastAutomationStatus(), kStatusException);
    EXPECT_EQ(untouched, Text("same"));
}

TEST_F(AutomationBridge, ReadsBindThePropertyGetThenTheFunction) {
    recorder->answers["GetAllResponseHeaders"].result = BstrVariant(u"HTTP/1.1 200 OK\r\nDate: x\r\n\r\n");
    EXPECT_EQ(ObjectReadTextProperty(object, "GetAllResponseHeaders"), Text("HTTP/1.1 200 OK\r\nDate: x\r\n\r\n"));
    EXPECT_EQ(LastAutomationStatus(), 0);
    EXPECT_EQ(OnlyCall().kind, INVOKE_FUNC);

    recorder->answers["Status"].result = I4Variant(404);
    EXPECT_EQ(ObjectReadNumberProperty(object, "status"), 404.0);   // names ignore ASCII case
    EXPECT_EQ(recorder->calls.back().kind, INVOKE_PROPERTYGET);
    EXPECT_EQ(ObjectReadTextProperty(object, "Status"), Text("404"));
    EXPECT_EQ(ObjectReadProperty(object, "Status"), I4Variant(404));

    recorder->answers["Option"].result = BstrVariant(u"x");
    EXPECT_EQ(ObjectReadProperty(object, "Option", {4}), BstrVariant(u"x"));
    EXPECT_EQ(recorder->calls.back().args, std::vector<Variant>{I4Variant(4)});
}

TEST_F(AutomationBridge, DataMembersReadAsGetAndWriteAsNamedPut) {
    EXPECT_TRUE(ObjectWriteProperty(object, "Tag", {Text("t")}));
    EXPECT_EQ(recorder->calls.back().kind, INVOKE_PROPERTYPUT);
    EXPECT_TRUE(recorder->calls.back().namedPropertyPut);
    recorder->answers["Tag"].result = BstrVariant(u"t");
    EXPECT_EQ(ObjectReadTextProperty(object, "Tag"), Text("t"));
    EXPECT_EQ(recorder->calls.back().kind, INVOKE_PROPERTYGET);
    EXPECT_TRUE(recorder->calls.back().args.empty());
    ObjectReadTextProperty(object, "Tag", {1});
    EXPECT_EQ(LastAutomationStatus(), kStatusTooManyArguments);

    // An array-typed data member is put by reference.
    Variant bytes;
    ASSERT_TRUE(VariantAssignBytes(bytes, ByteString(std::string_view("ab"))));
    EXPECT_TRUE(ObjectWriteProperty(object, "Items", {bytes}));
    EXPECT_EQ(recorder->calls.back().kind, INVOKE_PROPERTYPUTREF);
    EXPECT_EQ(recorder->calls.back().args, std::vector<Variant>{bytes});
}

TEST_F(AutomationBridge, StatusesOfCallsThatNeverReachTheObject) {
    ComObject empty;
    EXPECT_EQ(ObjectReadTextProperty(empty, "Status"), Text());
    EXPECT_EQ(LastAutomationStatus(), kStatusEmptyObject);
    ObjectCallMethod(empty, "Open");
    EXPECT_EQ(LastAutomationStatus(), kStatusEmptyObject);

    EXPECT_EQ(ObjectReadTextProperty(object, "NoSuchMember"), Text());
    EXPECT_EQ(LastAutomationStatus(), kStatusNotBound);
    EXPECT_FALSE(ObjectWriteProperty(object, "Status", {200}));   // read-only: no put, no function
    EXPECT_EQ(LastAutomationStatus(), kStatusNotBound);

    EXPECT_EQ(ObjectReadNumberProperty(object, "Status", {1}), 0.0);
    EXPECT_EQ(LastAutomationStatus(), kStatusTooManyArguments);
    ObjectCallMethod(object, "Open", {Text("a"), Text("b"), true, 4});
    EXPECT_EQ(LastAutomationStatus(), kStatusTooManyArguments);

    ObjectCallMethod(object, "Bytes", {ByteString(std::string_view("\x01\x02"))});
    EXPECT_EQ(LastAutomationStatus(), kStatusUnconvertibleArgument);
    EXPECT_TRUE(recorder->calls.empty());

    // Every status is set again by the next call.
    ObjectCallMethod(object, "Join", {1, 2, 3, 4, 5});   // a variable count takes any number
    EXPECT_EQ(LastAutomationStatus(), 0);
    EXPECT_EQ(recorder->calls.at(0).args.size(), 5u);
}

TEST_F(AutomationBridge, ResultsThatDoNotConvert) {
    recorder->answers["Status"].result = BstrVariant(u"two hundred");
    EXPECT_EQ(ObjectReadNumberProperty(object, "Status"), 0.0);
    EXPECT_EQ(LastAutomationStatus(), kStatusUnconvertibleResult);

    Variant record = EmptyVariant();
    record.vt = VT_RECORD;
    recorder->answers["Status"].result = record;
    EXPECT_EQ(ObjectReadTextProperty(object, "Status"), Text());
    EXPECT_EQ(LastAutomationStatus(), kStatusUnconvertibleResult);

    recorder->answers["Status"].result = ByteArrayVariant("ab", 0);
    EXPECT_EQ(ObjectReadNumberProperty(object, "Status"), 0.0);
    EXPECT_EQ(LastAutomationStatus(), kStatusUnconvertibleResult);
}

TEST_F(AutomationBridge, InvokeFailuresMapToTheirStatuses) {
    const struct {
        HResult hr;
        std::int32_t status;
    } cases[] = {
        {kDispEBadParamCount, -9}, {kDispEBadVarType, -10},     {kDispEException, -11},
        {kDispEMemberNotFound, -12}, {kDispENoNamedArgs, -13},  {kDispEOverflow, -14},
        {kDispEParamNotFound, -15}, {kDispETypeMismatch, -16}, {kDispEParamNotOptional, -17},
        {kEFail, -18},              {kENotImpl, -18},
    };
    for (const auto& c : cases) {
        recorder->answers["Status"] = {c.hr, I4Variant(1), {}};
        EXPECT_EQ(ObjectReadNumberProperty(object, "Status"), 0.0);
        EXPECT_EQ(LastAutomationStatus(), c.status) << std::hex << c.hr;
    }
    // The object's own checks: a put value that does not convert, a missing index.
    EXPECT_FALSE(ObjectWriteProperty(object, "Option", {Text("six"), 0}));
    EXPECT_EQ(LastAutomationStatus(), kStatusTypeMismatch);
    ObjectReadProperty(object, "Option");
    EXPECT_EQ(LastAutomationStatus(), kStatusBadParamCount);
}

TEST_F(AutomationBridge, StatusIsKeptPerThread) {
    ObjectReadTextProperty(object, "NoSuchMember");
    std::int32_t other = 1;
    std::thread([&] {
        ComObject empty;
        ObjectCallMethod(empty, "Open");
        other = LastAutomationStatus();
    }).join();
    EXPECT_EQ(other, kStatusEmptyObject);
    EXPECT_EQ(LastAutomationStatus(), kStatusNotBound);
}

TEST_F(AutomationBridge, ObjectsWithoutDispatchOrTypeInformation) {
    const struct {
        bool dispatch, typeInfo;
        std::int32_t status;
    } cases[] = {{false, true, kStatusNoDispatch}, {true, false, kStatusNoTypeInfo}};
    for (const auto& c : cases) {
        model::Class cls = testing::RecordingTestClass();
        cls.progId = "ClockTool.Limited";
        cls.offersDispatch = c.dispatch;
        cls.offersTypeInfo = c.typeInfo;
        auto limitedRecorder = testing::RegisterRecordingClass(cls);
        ComObject limited;
        ASSERT_TRUE(ObjectCreate(limited, "ClockTool.Limited"));
        ObjectCallMethod(limited, "Open", {Text("GET"), Text("u")});
        EXPECT_EQ(LastAutomationStatus(), c.status);
        EXPECT_TRUE(limitedRecorder->calls.empty());
        ObjectClear(limited);
        model::UnregisterClass("ClockTool.Limited");
    }
}

TEST_F(AutomationBridge, CreateByProgIdOrClsidAndCountReferences) {
    ComObject byClsid;
    EXPECT_TRUE(ObjectCreate(byClsid, "{6c0c7a2e-0b1d-4d3a-9e51-2f64a7b3c9d0}"));
    EXPECT_EQ(recorder->instances, 2);

    // A failed creation leaves the handle as it was.
    AutomationObject* held = byClsid.get();
    EXPECT_FALSE(ObjectCreate(byClsid, "ClockTool.NotRegistered"));
    EXPECT_FALSE(ObjectCreate(byClsid, "{00000000-0000-0000-0000-000000000000}"));
    EXPECT_FALSE(ObjectCreate(byClsid, ""));
    EXPECT_EQ(byClsid.get(), held);

    EXPECT_EQ(model::ReferenceCount(held), 1);
    ComObject copy;
    ObjectCopy(copy, byClsid);
    EXPECT_EQ(copy.get(), held);
    EXPECT_EQ(model::ReferenceCount(held), 2);
    ObjectClear(byClsid);
    EXPECT_TRUE(byClsid.empty());
    EXPECT_EQ(model::ReferenceCount(held), 1);
    ObjectClear(byClsid);   // clearing an empty handle does nothing
    ObjectCallMethod(copy, "Open", {Text("GET"), Text("u")});
    EXPECT_EQ(LastAutomationStatus(), 0);

    ComObject fromEmpty;
    ObjectCopy(fromEmpty, byClsid);
    EXPECT_TRUE(fromEmpty.empty());
}

}  // namespace
}  // namespace clocktool
