#include "DispatchObject.h"

#include <oleauto.h>

#include <algorithm>
#include <new>

#include "Text.h"
#include "framework/Raii.h"
#include "framework/Variant.h"

namespace exl::standin {

DispatchObject::DispatchObject(StandinState& state, const wchar_t* kind, bool excelObject)
    : state_(state), keepAlive_(state.weak_from_this().lock()), kind_(kind), excelObject_(excelObject) {
    state_.Track(this);
}

DispatchObject::~DispatchObject() { state_.Untrack(this); }

bool DispatchObject::HeldByClients() const {
    return state_.RemoteClients() ? connections_ > 0 : references_ > serverHolds_;
}

STDMETHODIMP DispatchObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(iid, IID_IExternalConnection)) {
        *object = static_cast<IExternalConnection*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) DispatchObject::AddRef() { return static_cast<ULONG>(++references_); }

STDMETHODIMP_(ULONG) DispatchObject::Release() {
    LONG left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP DispatchObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

STDMETHODIMP DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    if (count == 0) return S_OK;
    HRESULT status = S_OK;
    ids[0] = DISPID_UNKNOWN;
    for (const Member& member : Members())
        if (names[0] && EqualsNoCase(names[0], member.name)) ids[0] = member.id;
    if (ids[0] == DISPID_UNKNOWN) status = DISP_E_UNKNOWNNAME;
    // Named arguments are not supported: their names stay unknown.
    for (UINT i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        status = DISP_E_UNKNOWNNAME;
    }
    return status;
}

const DispatchObject::Member* DispatchObject::Find(DISPID id) const {
    for (const Member& member : Members())
        if (member.id == id) return &member;
    return nullptr;
}

STDMETHODIMP DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO* exception, UINT*) {
    static DISPPARAMS noArguments{};
    const DISPPARAMS& arguments = params ? *params : noArguments;
    if (result) VariantInit(result);
    if (!excelObject_) return Guarded(id, flags, arguments, result, exception, std::nullopt);
    const Member* member = Find(id);
    std::wstring line = RenderCall(kind_, member ? member->name : L"#" + std::to_wstring(id), flags, arguments);
    const int call = state_.Calls().Next();
    // In process no message filter sees the call, so a rejection is answered here too.
    if (const HRESULT busy = state_.Busy().Answer(call); FAILED(busy)) {
        state_.Calls().RecordTurnedAway(std::move(line), busy);
        return busy;
    }
    if (auto action = state_.Calls().TakeAction(call)) action();
    // A slow Excel keeps its one thread busy, as a real one does while it works.
    if (state_.Calls().Delay()) Sleep(state_.Calls().Delay());
    std::optional<DispatchError> fault = state_.Calls().TakeFault(call);
    // Held for the call, as a workbook closed meanwhile drops COM's references to it;
    // released last, as it may be the last reference.
    AddRef();
    const UniqueCom<DispatchObject> heldForCall(this);
    if (auto event = state_.Calls().TakeEvent(call))
        if (Strike(*event)) fault = DispatchError::Code(RPC_E_DISCONNECTED);
    // The caller gets the answer only from a call that succeeded.
    Variant answer;
    HRESULT status = Guarded(id, flags, arguments, result ? answer.Put() : nullptr, exception, fault);
    if (FAILED(status)) {
        line += L" -> " + HexCode(status);
    } else {
        if (result) *result = answer.Detach();
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) state_.Calls().CountCarriedOutPut();
    }
    state_.Calls().Record(std::move(line));
    return status;
}

bool DispatchObject::Strike(const PlannedEvent& event) {
    if (event.kind == PlannedEvent::EndProcess) {
        // As if killed: no answer and no clean-up but what Windows does for a dead process.
        state_.RevokeRegistrations();
        TerminateProcess(GetCurrentProcess(), kEndedByPlanExitCode);
        return false;
    }
    return CloseWorkbook(state_, event.workbook, this);
}

std::wstring TurnedAway(HRESULT status) { return L" turned away -> " + HexCode(status); }

void DisconnectClients(const std::vector<DispatchObject*>& objects) {
    // Disconnecting releases COM's references, which may be the last ones: each object
    // is held until all are cut off.
    std::vector<UniqueCom<DispatchObject>> held;
    held.reserve(objects.size());
    for (DispatchObject* object : objects) {
        object->AddRef();
        held.emplace_back(object);
    }
    for (DispatchObject* object : objects) CoDisconnectObject(static_cast<IDispatch*>(object), 0);
}

bool CloseWorkbook(StandinState& state, long index, const DispatchObject* caller) {
    std::shared_ptr<Workbook> workbook = state.WorkbookAt(index);
    if (!workbook) return false;
    state.RemoveWorkbook(index);
    std::vector<DispatchObject*> parts;
    for (DispatchObject* object : state.Objects())
        if (object->PartOf(*workbook)) parts.push_back(object);
    const bool callerClosed = std::find(parts.begin(), parts.end(), caller) != parts.end();
    DisconnectClients(parts);
    return callerClosed;
}

HRESULT DispatchObject::Guarded(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result, EXCEPINFO* exception,
                                const std::optional<DispatchError>& fault) {
    // No C++ exception may cross the COM boundary.
    try {
        if (fault) throw *fault;
        return Dispatch(id, flags, params, result);
    } catch (const DispatchError& error) {
        return error.Fill(exception, !state_.RemoteClients());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT DispatchObject::Dispatch(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result) {
    const Member* member = Find(id);
    if (!member) return DISP_E_MEMBERNOTFOUND;
    bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    bool read = (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0;
    if (put ? !(member->access & kPut) : !(read && (member->access & (kGet | kMethod)))) return DISP_E_MEMBERNOTFOUND;
    if ((params.cArgs && !params.rgvarg) || params.cNamedArgs > params.cArgs ||
        (params.cNamedArgs && !params.rgdispidNamedArgs))
        return E_INVALIDARG;
    Arguments arguments(params);
    if (put && !arguments.PutValue()) return DISP_E_PARAMNOTFOUND;
    if (params.cNamedArgs > (put ? 1u : 0u)) return DISP_E_NONAMEDARGS;
    Call(id, put, arguments, result);
    return S_OK;
}

STDMETHODIMP_(DWORD) DispatchObject::AddConnection(DWORD type, DWORD) {
    if (type & EXTCONN_STRONG) ++connections_;
    return static_cast<DWORD>(connections_);
}

STDMETHODIMP_(DWORD) DispatchObject::ReleaseConnection(DWORD type, DWORD, BOOL) {
    if ((type & EXTCONN_STRONG) && connections_ > 0) --connections_;
    return static_cast<DWORD>(connections_);
}

namespace {

// Into the caller's result, or dropped when the caller passed none.
void HandOver(Variant value, VARIANT* result) {
    if (result) *result = value.Detach();
}

}  // namespace

void ReturnObject(DispatchObject* object, VARIANT* result) { HandOver(Variant::Object(object), result); }
void ReturnText(const std::wstring& text, VARIANT* result) { HandOver(Variant::Text(text), result); }
void ReturnLong(long value, VARIANT* result) { HandOver(Variant::Int32(value), result); }
void ReturnBool(bool value, VARIANT* result) { HandOver(Variant::Boolean(value), result); }

}  // namespace exl::standin
