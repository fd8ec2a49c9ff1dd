#pragma once
// The class objects the server registers (REGCLS_MULTIPLEUSE, so every client of
// the process reaches the same state). Owned by the server's main, not by COM.
#include <windows.h>
#include <unknwn.h>

#include <functional>

namespace exl::standin {

class ClassFactory : public IClassFactory {
public:
    using Create = std::function<HRESULT(REFIID iid, void** object)>;
    explicit ClassFactory(Create create) : create_(std::move(create)) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    // The server runs until told to quit, so locks change nothing.
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    Create create_;
};

}  // namespace exl::standin
