// The launcher's own steps with the stand-in's classes registered (the class lookup
// needs the registry) but with in-process objects put in at the COM calls, so the
// contexts asked for and the release of every object taken are visible.
#include <gtest/gtest.h>

#include <optional>

#include "FakeDispatch.h"
#include "StandinClient.h"
#include "StandinIds.h"
#include "export/ExcelLauncher.h"
#include "framework/Automation.h"

namespace exl::test {
namespace {

using standin::StandinClient;

struct Answer {
    HRESULT status;
    bool object;           // hand out an object
    bool answersDispatch;  // the object answers the IDispatch query
};

class RecordingLauncher : public ExcelLauncher {
public:
    explicit RecordingLauncher(std::vector<Answer> answersInOrder) : answers(std::move(answersInOrder)) {}

    FakeWorld world;
    std::vector<Answer> answers;  // one per call, in order
    std::vector<DWORD> contexts;  // of every CreateInstance
    std::vector<CLSID> classes;   // of every call

protected:
    HRESULT GetActive(const CLSID& clsid, IUnknown** running) override { return Next(clsid, running); }
    HRESULT CreateInstance(const CLSID& clsid, DWORD context, IUnknown** created) override {
        contexts.push_back(context);
        return Next(clsid, created);
    }

private:
    HRESULT Next(const CLSID& clsid, IUnknown** object) {
        classes.push_back(clsid);
        *object = nullptr;
        const std::size_t call = classes.size() - 1;
        if (call >= answers.size()) return E_UNEXPECTED;
        if (answers[call].object) {
            auto* fake = new FakeDispatch(world, "Application", nullptr);
            fake->SetAnswersDispatch(answers[call].answersDispatch);
            *object = fake;
        }
        return answers[call].status;
    }
};

class ExcelLauncherTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(StandinClient::Register({10})); }
    void TearDown() override { StandinClient::Unregister(); }
};

TEST_F(ExcelLauncherTest, CreationRetriesWithoutTheRemoteContextOnlyAfterInvalidArgument) {
    constexpr DWORD all = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
    constexpr DWORD local = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;
    struct Case {
        const char* name;
        std::vector<Answer> answers;
        std::vector<DWORD> contexts;
        bool started;
    };
    const Case cases[] = {
        {"first try", {{S_OK, true, true}}, {all}, true},
        {"remote context refused", {{E_INVALIDARG, false, true}, {S_OK, true, true}}, {all, local}, true},
        {"refused twice", {{E_INVALIDARG, false, true}, {E_INVALIDARG, false, true}}, {all, local}, false},
        {"other failure is not retried", {{REGDB_E_CLASSNOTREG, false, true}}, {all}, false},
        {"server error", {{CO_E_SERVER_EXEC_FAILURE, false, true}}, {all}, false},
        {"object without IDispatch", {{S_OK, true, false}}, {all}, false},
        {"stray object beside invalid argument", {{E_INVALIDARG, true, true}, {S_OK, true, true}}, {all, local},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingLauncher launcher(c.answers);
        AutomationRef application(launcher.StartNew("Excel.Application.10"));
        EXPECT_EQ(!application.Empty(), c.started);
        EXPECT_EQ(launcher.contexts, c.contexts);
        for (const CLSID& clsid : launcher.classes) EXPECT_TRUE(IsEqualCLSID(clsid, standin::kClsidExcel10));
        if (!application.Empty()) {
            EXPECT_EQ(launcher.world.liveObjects, 1);
            EXPECT_EQ(static_cast<FakeDispatch*>(application.Get())->References(), 1u)
                << "the IUnknown was not released";
            application.Release();
        }
        EXPECT_EQ(launcher.world.liveObjects, 0);
    }
}

TEST_F(ExcelLauncherTest, AttachingTakesOnlyARunningObjectThatAnswersIDispatch) {
    struct Case {
        const char* name;
        Answer answer;
        bool attached;
    };
    const Case cases[] = {
        {"running", {S_OK, true, true}, true},
        {"none running", {MK_E_UNAVAILABLE, false, true}, false},
        {"running without IDispatch", {S_OK, true, false}, false},
        {"failure with a stray object", {E_FAIL, true, true}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingLauncher launcher({c.answer});
        AutomationRef application(launcher.AttachRunning(L"Excel.Application.10"));
        EXPECT_EQ(!application.Empty(), c.attached);
        ASSERT_EQ(launcher.classes.size(), 1u);
        EXPECT_TRUE(IsEqualCLSID(launcher.classes[0], standin::kClsidExcel10));
        EXPECT_TRUE(launcher.contexts.empty()) << "attaching never creates";
        if (!application.Empty()) {
            EXPECT_EQ(static_cast<FakeDispatch*>(application.Get())->References(), 1u);
            application.Release();
        }
        EXPECT_EQ(launcher.world.liveObjects, 0);
    }
}

TEST_F(ExcelLauncherTest, AnUnregisteredVersionIsNeitherLookedForNorCreated) {
    RecordingLauncher launcher({{S_OK, true, true}, {S_OK, true, true}});
    EXPECT_EQ(launcher.AttachRunning(L"Excel.Application.9"), nullptr);
    EXPECT_EQ(launcher.StartNew("Excel.Application.8"), nullptr);
    EXPECT_TRUE(launcher.classes.empty());
    EXPECT_EQ(launcher.world.liveObjects, 0);
}

TEST_F(ExcelLauncherTest, CurVerIsReadUpToTheThirtyNineCharactersOfAProgId) {
    const std::string longest = "Excel.Application.16" + std::string(19, '0');
    struct Case {
        std::optional<std::wstring> written;  // nullopt: the CurVer key is missing
        std::string read;
    } cases[] = {
        {L"Excel.Application.16", "Excel.Application.16"},
        {std::wstring(longest.begin(), longest.end()), longest},
        {std::wstring(longest.begin(), longest.end()) + L"0", ""},
        {std::wstring(5000, L'7'), ""},
        {L"", ""},
        {std::nullopt, ""},
    };
    ASSERT_EQ(longest.size(), 39u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written ? testing::PrintToString(*c.written) : "missing");
        ASSERT_TRUE(StandinClient::WriteCurVer(c.written));
        EXPECT_EQ(ExcelLauncher::Platform().CurrentExcelProgId(), c.read);
    }
}

}  // namespace
}  // namespace exl::test
