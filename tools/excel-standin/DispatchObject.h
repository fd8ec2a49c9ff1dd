#pragma once
// The IDispatch all stand-in objects share: members looked up in a table by DISPID
// or name, invoke flags checked, every call on an Excel object logged and open to
// fault injection. IExternalConnection tells when out-of-process clients hold it.
#include <windows.h>
#include <objidl.h>
#include <oaidl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Arguments.h"
#include "DispatchError.h"
#include "StandinState.h"

namespace exl::standin {

class DispatchObject : public IDispatch, public IExternalConnection {
public:
    enum Access : WORD { kGet = 1, kPut = 2, kMethod = 4 };
    struct Member {
        DISPID id;
        const wchar_t* name;
        WORD access;  // Access bits
    };
    // excelObject: an Excel object (logged, fault-injected, counted); the control
    // object is none of these.
    DispatchObject(StandinState& state, const wchar_t* kind, bool excelObject);
    virtual ~DispatchObject();
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    const wchar_t* Kind() const { return kind_; }
    bool Counted() const { return excelObject_; }
    bool HeldByClients() const;
    // The references held now (the host's own, the running-object table's) are the
    // server's, not clients'; counting by references compares against them.
    void SettleServerReferences() { serverHolds_ = references_; }

    // Whether the object stands for the workbook or a part of it (its sheets, a range).
    virtual bool PartOf(const Workbook&) const { return false; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argumentError) override;
    // IExternalConnection
    STDMETHODIMP_(DWORD) AddConnection(DWORD type, DWORD reserved) override;
    STDMETHODIMP_(DWORD) ReleaseConnection(DWORD type, DWORD reserved, BOOL lastReleaseCloses) override;

protected:
    virtual const std::vector<Member>& Members() const = 0;
    // Runs a member whose invoke flags have been checked; put tells a property put
    // (value in args.PutValue()). Throws DispatchError on failure.
    virtual void Call(DISPID id, bool put, const Arguments& args, VARIANT* result) = 0;

    StandinState& state_;

private:
    // A state owned by a host stays alive while a client still holds an object.
    std::shared_ptr<StandinState> keepAlive_;
    const Member* Find(DISPID id) const;
    HRESULT Guarded(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result, EXCEPINFO* exception,
                    const std::optional<DispatchError>& fault);
    HRESULT Dispatch(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result);
    // Runs a planned event; true when it disconnected this object.
    bool Strike(const PlannedEvent& event);

    const wchar_t* kind_;
    bool excelObject_;
    LONG references_ = 1;
    LONG connections_ = 0;
    LONG serverHolds_ = 0;
};

// What the call log adds to the line of a call turned away while busy.
std::wstring TurnedAway(HRESULT status);

// The exit code of a process ended by a planned event.
inline constexpr UINT kEndedByPlanExitCode = 3;

// Cuts every out-of-process client off the objects, as a server that goes away does:
// their proxies then answer RPC_E_DISCONNECTED.
void DisconnectClients(const std::vector<DispatchObject*>& objects);
// What Excel does when the user closes a workbook: it leaves the workbooks, and
// every object handed out for it or its sheets is disconnected. Returns whether
// `caller` was one of them; an index that names no workbook closes nothing.
bool CloseWorkbook(StandinState& state, long index, const DispatchObject* caller);

// Hands a new object (one reference) to the caller in `result`, or drops it when
// the caller passed no result.
void ReturnObject(DispatchObject* object, VARIANT* result);
void ReturnText(const std::wstring& text, VARIANT* result);
void ReturnLong(long value, VARIANT* result);
void ReturnBool(bool value, VARIANT* result);

}  // namespace exl::standin
