#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <numeric>
#include <optional>

#include "FakeDispatch.h"
#include "RecordingUi.h"
#include "Scratch.h"
#include "framework/Automation.h"
#include "framework/RejectedCalls.h"

namespace exl::test {
namespace {

// What an action raised: at most one of the two automation errors.
struct Caught {
    std::optional<COleException> ole;
    std::optional<COleDispatchException> dispatch;
};

Caught RunCatching(const std::function<void()>& action) {
    Caught caught;
    try {
        action();
    } catch (const COleException& error) {
        caught.ole = error;
    } catch (const COleDispatchException& error) {
        caught.dispatch = error;
    }
    return caught;
}

// The status of the COleException the action raised, S_OK when it raised none; a
// failure is recorded when it raised the other kind or an error without a failure status.
HRESULT RaisedStatus(const std::function<void()>& action) {
    Caught caught = RunCatching(action);
    EXPECT_FALSE(caught.dispatch.has_value()) << "raised COleDispatchException instead";
    if (!caught.ole) return S_OK;
    EXPECT_TRUE(FAILED(caught.ole->scode)) << "raised with a success status";
    return caught.ole->scode;
}

// A server object whose answer each test sets: the status and what goes into the result.
// The statuses queued in `firstAnswers` come first, one a call, with nothing filled in.
struct Server {
    FakeWorld world;
    HRESULT status = S_OK;
    std::deque<HRESULT> firstAnswers;
    std::function<void(VARIANT*)> fillResult;
    std::function<void(EXCEPINFO*)> fillException;
    AutomationRef ref;

    Server() {
        ref.Attach(new FakeDispatch(world, "Server", [this](const RecordedInvoke&, VARIANT* result, EXCEPINFO* info) {
            if (!firstAnswers.empty()) {
                const HRESULT first = firstAnswers.front();
                firstAnswers.pop_front();
                return first;
            }
            if (fillResult && result) fillResult(result);
            if (fillException && info) fillException(info);
            return status;
        }));
    }
    const RecordedInvoke& LastCall() const { return world.calls.back(); }
};

// An answer that hands out a new object of the world's, named as given.
std::function<void(VARIANT*)> NewObjectAnswer(FakeWorld& world, const char* name) {
    return [&world, name](VARIANT* r) {
        r->vt = VT_DISPATCH;
        r->pdispVal = new FakeDispatch(world, name, nullptr);
    };
}

// One call of every helper on the reference; results are released.
std::vector<std::function<void()>> EveryOperation(const AutomationRef& ref) {
    return {
        [&ref] { AutomationRef().Attach(GetDispatchProperty(ref, 682)); },
        [&ref] { GetInt32Property(ref, 118); },
        [&ref] { PutProperty(ref, 6, Variant::Text("v")); },
        [&ref] { PutProperty(ref, 558, Variant::Boolean(true)); },
        [&ref] { CallMethod(ref, 235); },
        [&ref] { AutomationRef().Attach(CallDispatchMethod(ref, 181)); },
    };
}

// ---------------------------------------------------------------- AutomationRef

TEST(AutomationRefTest, AttachReleasesTheHeldPointerBeforeTakingTheNewOne) {
    FakeWorld world;
    auto* first = new FakeDispatch(world, "first", nullptr);
    auto* second = new FakeDispatch(world, "second", nullptr);
    AutomationRef ref;
    EXPECT_TRUE(ref.Empty());
    ref.Attach(first);
    EXPECT_EQ(ref.Get(), first);
    ref.Attach(second);
    EXPECT_EQ(ref.Get(), second);
    EXPECT_EQ(world.finalReleases, std::vector<std::string>{"first"});
    ref.Attach(nullptr);
    EXPECT_TRUE(ref.Empty());
    EXPECT_EQ(world.finalReleases, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(world.liveObjects, 0);
}

TEST(AutomationRefTest, ReleaseCallsReleaseOnceAndEmptiesTheHolder) {
    FakeWorld world;
    auto* object = new FakeDispatch(world, "object", nullptr);
    object->AddRef();  // the test's own reference keeps it observable
    AutomationRef ref;
    ref.Attach(object);
    ref.Release();
    EXPECT_TRUE(ref.Empty());
    EXPECT_EQ(object->References(), 1u);
    ref.Release();  // an empty holder releases nothing
    EXPECT_EQ(object->References(), 1u);
    object->Release();
    EXPECT_EQ(world.liveObjects, 0);
}

TEST(AutomationRefTest, DestructionReleasesAndNoFlagMeansNotOwned) {
    FakeWorld world;
    auto* owned = new FakeDispatch(world, "owned", nullptr);
    auto* borrowed = new FakeDispatch(world, "borrowed", nullptr);
    {
        AutomationRef ownedRef;
        ownedRef.Attach(owned);
        AutomationRef borrowedRef;
        borrowedRef.Attach(borrowed, false);
        borrowedRef.Release();
        EXPECT_TRUE(borrowedRef.Empty());
        EXPECT_EQ(borrowed->References(), 1u);
        borrowedRef.Attach(borrowed, false);
    }
    EXPECT_EQ(world.finalReleases, std::vector<std::string>{"owned"});
    EXPECT_EQ(borrowed->References(), 1u);
    borrowed->Release();
    EXPECT_EQ(world.liveObjects, 0);
}

// ---------------------------------------------------------------- the shared rules

TEST(InvokeTest, EveryKindCallsWithIidNullLocaleZeroAndItsFlags) {
    struct Case {
        const char* name;
        std::function<void(Server&)> call;
        WORD flags;
        std::size_t positional;
        bool namedPut;
    };
    const Variant text = Variant::Text("A1");
    const Case cases[] = {
        {"get object", [&](Server& s) { AutomationRef r; r.Attach(GetDispatchProperty(s.ref, 572)); },
         DISPATCH_PROPERTYGET, 0, false},
        {"get object with arguments",
         [&](Server& s) { AutomationRef r; r.Attach(GetDispatchProperty(s.ref, 197, {&text, &text})); },
         DISPATCH_PROPERTYGET, 2, false},
        {"get number", [&](Server& s) { GetInt32Property(s.ref, 118); }, DISPATCH_PROPERTYGET, 0, false},
        {"put", [&](Server& s) { PutProperty(s.ref, 558, Variant::Boolean(true)); }, DISPATCH_PROPERTYPUT, 0, true},
        {"method", [&](Server& s) { CallMethod(s.ref, 235); }, DISPATCH_METHOD, 0, false},
        {"method with object",
         [&](Server& s) { AutomationRef r; r.Attach(CallDispatchMethod(s.ref, 181, {&text})); }, DISPATCH_METHOD,
         1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Server server;
        FakeWorld results;
        server.fillResult = [&](VARIANT* result) {
            if (c.flags == DISPATCH_PROPERTYGET && c.name == std::string("get number")) {
                result->vt = VT_I4;
                result->lVal = 3;
            } else {
                result->vt = VT_DISPATCH;
                result->pdispVal = new FakeDispatch(results, "result", nullptr);
            }
        };
        c.call(server);
        ASSERT_EQ(server.world.calls.size(), 1u);
        const RecordedInvoke& call = server.LastCall();
        EXPECT_TRUE(IsEqualIID(call.iid, IID_NULL));
        EXPECT_EQ(call.lcid, 0u);
        EXPECT_EQ(call.flags, c.flags);
        EXPECT_EQ(call.arguments.size(), c.positional);
        if (c.namedPut) {
            ASSERT_EQ(call.named.size(), 1u);
            EXPECT_EQ(call.named[0], DISPID_PROPERTYPUT);
        } else {
            EXPECT_TRUE(call.named.empty());
        }
        EXPECT_EQ(results.liveObjects, 0) << "a result object was not released";
    }
}

TEST(InvokeTest, TextsGoAsBstrThroughTheAnsiCodePage) {
    Server server;
    const std::string ansi = ToAnsi("Größe § Ø é");
    PutProperty(server.ref, 6, Variant::Text(ansi));
    const RecordedInvoke& call = server.LastCall();
    ASSERT_EQ(call.namedValues.size(), 1u);
    EXPECT_EQ(call.namedValues[0].Type(), VT_BSTR);
    EXPECT_EQ(TextOf(call.namedValues[0]), L"Gr\u00f6\u00dfe \u00a7 \u00d8 \u00e9");
    // An empty text is an empty BSTR, not a missing one.
    PutProperty(server.ref, 6, Variant::Text(""));
    ASSERT_EQ(server.LastCall().namedValues.size(), 1u);
    EXPECT_NE(server.LastCall().namedValues[0].Get().bstrVal, nullptr);
    EXPECT_EQ(SysStringLen(server.LastCall().namedValues[0].Get().bstrVal), 0u);
    // And back, for the exception texts.
    Bstr wide(WideToBstr(L"Stra\u00dfe \u00a7"));
    EXPECT_EQ(BstrToAnsi(wide.Get()), ToAnsi("Straße §"));
    EXPECT_EQ(BstrToAnsi(nullptr), "");
}

TEST(InvokeTest, BooleansAreVariantTrueAndFalseAndTheMissingArgumentIsParamNotFound) {
    Server server;
    PutProperty(server.ref, 558, Variant::Boolean(true));
    EXPECT_EQ(server.LastCall().namedValues[0].Type(), VT_BOOL);
    EXPECT_EQ(server.LastCall().namedValues[0].Get().boolVal, VARIANT_TRUE);
    PutProperty(server.ref, 558, Variant::Boolean(false));
    EXPECT_EQ(server.LastCall().namedValues[0].Get().boolVal, VARIANT_FALSE);

    const Variant missing = Variant::Missing();
    const Variant index = Variant::Int16(-3);
    CallMethod(server.ref, 181, {&missing, &index});
    const RecordedInvoke& call = server.LastCall();
    ASSERT_EQ(call.arguments.size(), 2u);
    EXPECT_EQ(call.arguments[0].Type(), VT_ERROR);
    EXPECT_EQ(call.arguments[0].Get().scode, DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(call.arguments[1].Type(), VT_I2);
    EXPECT_EQ(call.arguments[1].Get().iVal, -3);
}

// ---------------------------------------------------------------- results

TEST(InvokeTest, NumberResultsAreCoercedToI4OrRaise) {
    struct Case {
        const char* name;
        std::function<void(VARIANT*)> answer;
        std::int32_t expected;
        HRESULT raised;  // S_OK: no exception
    };
    const Case cases[] = {
        {"I4", [](VARIANT* r) { r->vt = VT_I4; r->lVal = -70000; }, -70000, S_OK},
        {"I2", [](VARIANT* r) { r->vt = VT_I2; r->iVal = 5; }, 5, S_OK},
        {"R8", [](VARIANT* r) { r->vt = VT_R8; r->dblVal = 3.0; }, 3, S_OK},
        {"numeric text", [](VARIANT* r) { r->vt = VT_BSTR; r->bstrVal = WideToBstr(L"42"); }, 42, S_OK},
        {"text", [](VARIANT* r) { r->vt = VT_BSTR; r->bstrVal = WideToBstr(L"zw\u00f6lf"); }, 0, DISP_E_TYPEMISMATCH},
        {"null", [](VARIANT* r) { r->vt = VT_NULL; }, 0, DISP_E_TYPEMISMATCH},
        {"too big", [](VARIANT* r) { r->vt = VT_R8; r->dblVal = 1e20; }, 0, DISP_E_OVERFLOW},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Server server;
        server.fillResult = c.answer;
        std::int32_t value = -1;
        EXPECT_EQ(RaisedStatus([&] { value = GetInt32Property(server.ref, 118); }), c.raised);
        if (c.raised == S_OK) {
            EXPECT_EQ(value, c.expected);
        }
    }
}

TEST(InvokeTest, ObjectResultsPassToTheCallerOrRaise) {
    FakeWorld results;
    Server server;

    server.fillResult = NewObjectAnswer(results, "object");
    IDispatch* object = GetDispatchProperty(server.ref, 572);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(static_cast<FakeDispatch*>(object)->References(), 1u) << "the caller owns exactly one reference";
    object->Release();

    server.fillResult = [](VARIANT* r) {
        r->vt = VT_DISPATCH;
        r->pdispVal = nullptr;
    };
    EXPECT_EQ(GetDispatchProperty(server.ref, 308), nullptr) << "no object is not an error";

    // Nothing at all where an object is wanted does not convert.
    server.fillResult = nullptr;
    EXPECT_EQ(RaisedStatus([&] { GetDispatchProperty(server.ref, 308); }), DISP_E_TYPEMISMATCH);

    // An IUnknown is queried for IDispatch by the coercion.
    server.fillResult = [&](VARIANT* r) {
        r->vt = VT_UNKNOWN;
        r->punkVal = new FakeDispatch(results, "unknown", nullptr);
    };
    object = CallDispatchMethod(server.ref, 181);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(static_cast<FakeDispatch*>(object)->Name(), "unknown");
    object->Release();

    // An IUnknown without IDispatch cannot be coerced: raised, and released.
    server.fillResult = [&](VARIANT* r) {
        auto* plain = new FakeDispatch(results, "plain", nullptr);
        plain->SetAnswersDispatch(false);
        r->vt = VT_UNKNOWN;
        r->punkVal = plain;
    };
    EXPECT_EQ(RaisedStatus([&] { GetDispatchProperty(server.ref, 572); }), E_NOINTERFACE);

    server.fillResult = [](VARIANT* r) {
        r->vt = VT_I4;
        r->lVal = 1;
    };
    EXPECT_EQ(RaisedStatus([&] { CallDispatchMethod(server.ref, 682); }), DISP_E_TYPEMISMATCH);

    // An object where a number is wanted: the coercion asks the object for its value,
    // which it refuses; the object is released all the same.
    server.fillResult = [&](VARIANT* r) {
        r->vt = VT_DISPATCH;
        r->pdispVal = new FakeDispatch(results, "valueless", [](const RecordedInvoke&, VARIANT*, EXCEPINFO*) {
            return DISP_E_MEMBERNOTFOUND;
        });
    };
    EXPECT_TRUE(FAILED(RaisedStatus([&] { GetInt32Property(server.ref, 118); })));
    EXPECT_EQ(results.liveObjects, 0);
}

TEST(InvokeTest, ResultsOfPutsAndMethodsWithoutResultAreDiscarded) {
    FakeWorld results;
    Server server;
    server.fillResult = NewObjectAnswer(results, "stray");
    CallMethod(server.ref, 235);
    PutProperty(server.ref, 6, Variant::Text("x"));
    EXPECT_EQ(results.liveObjects, 0);
    EXPECT_EQ(results.finalReleases.size(), 2u);
}

// ---------------------------------------------------------------- failures

HRESULT STDMETHODCALLTYPE DeferredFillIn(EXCEPINFO* info) {
    info->scode = static_cast<SCODE>(0x800A03EC);
    info->bstrDescription = WideToBstr(L"Die Datei \u00bbx.xls\u00ab wurde nicht gefunden.");
    info->bstrSource = WideToBstr(L"Microsoft Excel");
    info->bstrHelpFile = WideToBstr(L"C:\\xlmain10.chm");
    info->dwHelpContext = 4711;
    return S_OK;
}

TEST(InvokeTest, DispatchExceptionsCarryTheFilledInInformation) {
    struct Case {
        const char* name;
        std::function<void(EXCEPINFO*)> fill;
        HRESULT scode;
        std::string description;
        std::string source;
        std::string helpFile;
        DWORD helpContext;
    };
    const Case cases[] = {
        {"filled at once",
         [](EXCEPINFO* e) {
             e->scode = static_cast<SCODE>(0x800A9C68);
             e->bstrDescription = WideToBstr(L"Gr\u00f6\u00dfe \u00a7 unzul\u00e4ssig");
             e->bstrSource = WideToBstr(L"Quelle");
             e->bstrHelpFile = WideToBstr(L"hilfe.hlp");
             e->dwHelpContext = 12;
         },
         static_cast<HRESULT>(0x800A9C68), ToAnsi("Größe § unzulässig"), "Quelle", "hilfe.hlp", 12},
        {"deferred", [](EXCEPINFO* e) { e->pfnDeferredFillIn = DeferredFillIn; }, static_cast<HRESULT>(0x800A03EC),
         ToAnsi("Die Datei »x.xls« wurde nicht gefunden."), "Microsoft Excel", "C:\\xlmain10.chm", 4711},
        {"wCode only", [](EXCEPINFO* e) { e->wCode = 1004; }, static_cast<HRESULT>(0x800A03EC), "", "", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Server server;
        server.status = DISP_E_EXCEPTION;
        server.fillException = c.fill;
        // Every kind of operation reports it alike.
        for (const auto& operation : EveryOperation(server.ref)) {
            Caught caught = RunCatching(operation);
            EXPECT_FALSE(caught.ole.has_value()) << "wrong kind";
            auto& error = caught.dispatch;
            ASSERT_TRUE(error.has_value());
            EXPECT_EQ(error->scode, c.scode);
            EXPECT_EQ(error->description, c.description);
            EXPECT_EQ(error->source, c.source);
            EXPECT_EQ(error->helpFile, c.helpFile);
            EXPECT_EQ(error->helpContext, c.helpContext);
        }
    }
}

TEST(InvokeTest, OtherFailuresRaiseTheAutomationErrorWithTheirStatusAtOnce) {
    RecordingUi ui;
    // RPC_E_RETRY and RPC_E_SERVERFAULT sit beside the busy statuses but are failures.
    const HRESULT statuses[] = {DISP_E_MEMBERNOTFOUND, DISP_E_BADINDEX, E_FAIL, RPC_E_DISCONNECTED,
                                static_cast<HRESULT>(0x800706BA), RPC_E_RETRY, RPC_E_SERVERFAULT};
    for (HRESULT status : statuses) {
        SCOPED_TRACE(status);
        Server server;
        FakeWorld results;
        server.status = status;
        // A failing server's result must not leak even if it filled one.
        server.fillResult = NewObjectAnswer(results, "stray");
        const auto operations = EveryOperation(server.ref);
        for (const auto& operation : operations) EXPECT_EQ(RaisedStatus(operation), status);
        EXPECT_EQ(server.world.calls.size(), operations.size()) << "no operation was tried again";
        EXPECT_EQ(results.liveObjects, 0);
    }
    EXPECT_TRUE(ui.pauses.empty());
}

// ---------------------------------------------------------------- a busy server

constexpr HRESULT kRejected = RPC_E_CALL_REJECTED;
constexpr HRESULT kRetryLater = RPC_E_SERVERCALL_RETRYLATER;

DWORD Sum(const std::vector<DWORD>& pauses) { return std::accumulate(pauses.begin(), pauses.end(), DWORD{0}); }

TEST(RejectedCallTest, TheSameCallIsTriedAgainAfterGrowingPausesUntilTheServerTakesIt) {
    struct Case {
        const char* name;
        std::deque<HRESULT> rejections;
        std::vector<DWORD> pauses;
    };
    const Case cases[] = {
        {"taken at once", {}, {}},
        {"rejected once", {kRejected}, {50}},
        {"retry later twice", {kRetryLater, kRetryLater}, {50, 100}},
        {"ignored", {kVbaIgnore}, {50}},
        {"the three mixed, up to the longest pause",
         {kVbaIgnore, kRejected, kRetryLater, kVbaIgnore, kRejected, kRetryLater, kRejected},
         {50, 100, 200, 400, 500, 500, 500}},
    };
    const Variant cell1 = Variant::Text("B5");
    const Variant cell2 = Variant::Text("C7");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingUi ui;
        Server server;
        FakeWorld results;
        server.fillResult = NewObjectAnswer(results, "range");

        server.firstAnswers = c.rejections;
        PutProperty(server.ref, 6, Variant::Text("Wert"));
        server.firstAnswers = c.rejections;
        AutomationRef range;
        range.Attach(GetDispatchProperty(server.ref, 197, {&cell1, &cell2}));

        const std::size_t tries = c.rejections.size() + 1;
        ASSERT_EQ(server.world.calls.size(), 2 * tries);
        for (std::size_t i = 0; i < tries; ++i) {
            const RecordedInvoke& put = server.world.calls[i];
            EXPECT_EQ(put.flags, DISPATCH_PROPERTYPUT);
            ASSERT_EQ(put.namedValues.size(), 1u);
            EXPECT_EQ(TextOf(put.namedValues[0]), L"Wert");
            const RecordedInvoke& get = server.world.calls[tries + i];
            ASSERT_EQ(get.arguments.size(), 2u);
            EXPECT_EQ(TextOf(get.arguments[0]), L"B5");
            EXPECT_EQ(TextOf(get.arguments[1]), L"C7");
        }
        ASSERT_FALSE(range.Empty());
        EXPECT_EQ(static_cast<FakeDispatch*>(range.Get())->Name(), "range");
        range.Release();
        EXPECT_EQ(results.liveObjects, 0);
        std::vector<DWORD> twice = c.pauses;
        twice.insert(twice.end(), c.pauses.begin(), c.pauses.end());
        EXPECT_EQ(ui.pauses, twice) << "each call paces its own retries";
        EXPECT_TRUE(ui.boxes.empty());
    }
}

TEST(RejectedCallTest, AfterEachSilentPeriodTheQuestionDecidesWithTheLastStatus) {
    enum Answer : char { GoOn = 'g', GiveUp = 'x' };
    struct Case {
        const char* name;
        bool questionSet;
        std::string answers;  // one per question, in order
        int rejections;       // before the server takes the call; -1: never
        HRESULT raised;       // S_OK: the call succeeds
    };
    // 13 rejections fill the first silent period (50 + 100 + 200 + 400 + 9 x 500 ms).
    const Case cases[] = {
        {"no question: given up after the first period", false, "", -1, kVbaIgnore},
        {"given up", true, "x", -1, kVbaIgnore},
        {"taken just before the question", true, "", 13, S_OK},
        {"go on once, then taken", true, "g", 20, S_OK},
        {"go on twice, then given up", true, "ggx", -1, kVbaIgnore},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingUi ui;
        Server server;
        // Two other statuses first: what is raised is the last one seen.
        server.firstAnswers = {kRejected, kRetryLater};
        server.status = kVbaIgnore;
        if (c.rejections >= 0) {
            server.firstAnswers.insert(server.firstAnswers.end(), static_cast<std::size_t>(c.rejections - 2), kVbaIgnore);
            server.status = S_OK;
        }
        std::vector<HRESULT> asked;
        std::vector<std::size_t> askedAfterPauses;
        std::optional<ScopedRejectedCallQuestion> question;
        if (c.questionSet)
            question.emplace([&](HRESULT status) {
                asked.push_back(status);
                askedAfterPauses.push_back(ui.pauses.size());
                return asked.size() <= c.answers.size() && c.answers[asked.size() - 1] == GoOn;
            });

        EXPECT_EQ(RaisedStatus([&] { CallMethod(server.ref, 235); }), c.raised);
        EXPECT_EQ(asked, std::vector<HRESULT>(c.answers.size(), kVbaIgnore));
        EXPECT_EQ(server.world.calls.size(), ui.pauses.size() + 1) << "one pause before every retry";
        // Each question comes once a whole silent period has passed, and not a pause later.
        std::size_t periodStart = 0;
        for (std::size_t after : askedAfterPauses) {
            const std::vector<DWORD> period(ui.pauses.begin() + periodStart, ui.pauses.begin() + after);
            ASSERT_FALSE(period.empty());
            EXPECT_GE(Sum(period), kSilentPeriodMs);
            EXPECT_LT(Sum(period) - period.back(), kSilentPeriodMs);
            if (after < ui.pauses.size()) {
                EXPECT_EQ(ui.pauses[after], kFirstRetryPauseMs) << "the pace starts again";
            }
            periodStart = after;
        }
        EXPECT_TRUE(ui.boxes.empty()) << "the framework itself shows nothing";
    }
}

TEST(InvokeTest, AnEmptyReferenceIsNeverCalled) {
    Server server;
    server.ref.Release();
    EXPECT_EQ(server.world.liveObjects, 0);
    auto operations = EveryOperation(server.ref);
    operations.push_back([] { RequireObject(nullptr); });
    operations.push_back([&] { MemberId(server.ref, "Visible"); });
    for (const auto& operation : operations) EXPECT_EQ(RaisedStatus(operation), E_POINTER);
    // InvokeOnce answers with the status instead of raising it.
    EXPECT_EQ(InvokeOnce(server.ref, 6, DISPATCH_PROPERTYGET).status, E_POINTER);
    EXPECT_TRUE(server.world.calls.empty());
}

TEST(InvokeTest, OneCallAnswersAsTheServerDidWithoutRetryCoercionOrFillIn) {
    RecordingUi ui;
    Server server;
    server.firstAnswers = {kRejected};
    EXPECT_EQ(InvokeOnce(server.ref, 558, DISPATCH_PROPERTYGET).status, kRejected);
    EXPECT_TRUE(ui.pauses.empty()) << "a rejected call is not tried again";

    server.status = DISP_E_EXCEPTION;
    server.fillException = [](EXCEPINFO* e) { e->pfnDeferredFillIn = DeferredFillIn; };
    const InvokeAnswer failed = InvokeOnce(server.ref, 197, DISPATCH_PROPERTYGET);
    EXPECT_EQ(failed.status, DISP_E_EXCEPTION);
    EXPECT_EQ(failed.exception.info.pfnDeferredFillIn, &DeferredFillIn) << "the fill-in is left to the caller";
    EXPECT_EQ(failed.exception.info.bstrDescription, nullptr);

    server.status = S_OK;
    server.fillException = nullptr;
    server.fillResult = [](VARIANT* r) {
        r->vt = VT_I2;
        r->iVal = 7;
    };
    const Variant value = Variant::Text("x");
    const InvokeAnswer put = InvokeOnce(server.ref, 6, DISPATCH_PROPERTYPUT, {}, &value);
    EXPECT_EQ(put.status, S_OK);
    EXPECT_EQ(put.result.Type(), VT_I2);
    EXPECT_EQ(server.LastCall().named, std::vector<DISPID>{DISPID_PROPERTYPUT});
    EXPECT_EQ(server.world.calls.size(), 3u);
}

TEST(InvokeTest, AMemberNameTheServerDoesNotResolveRaisesItsStatus) {
    Server server;
    EXPECT_EQ(RaisedStatus([&] { MemberId(server.ref, "Visible"); }), E_NOTIMPL);
}

}  // namespace
}  // namespace exl::test
