#include "options/DataLinkDialog.h"

#include "core/WideText_win.h"

#include <msdasc.h>
#include <oleauto.h>

#include <cstdio>
#include <stdexcept>

namespace {

// Class and interface identifiers of the OLE DB data links and of the ADO connection.
constexpr GUID kClsidDataLinks = {
    0x2206CDB2, 0x19C1, 0x11D1, {0x89, 0xE0, 0x00, 0xC0, 0x4F, 0xD7, 0xA8, 0x29}};
constexpr GUID kIidDataSourceLocator = {
    0x2206CCB2, 0x19C1, 0x11D1, {0x89, 0xE0, 0x00, 0xC0, 0x4F, 0xD7, 0xA8, 0x29}};
constexpr GUID kClsidAdoConnection = {
    0x00000514, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
constexpr GUID kIidAdoConnection = {
    0x00000550, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};

// The data-link dialog reports a cancel this way on some systems instead of S_FALSE.
constexpr HRESULT kCancelled = static_cast<HRESULT>(0x80040E4EL);

constexpr DWORD kActivation = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;

// Owns one interface reference; every object a prompt creates is released before it returns.
template <class T> class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T *p) : m_p(p) {}
    ~ComRef() { Reset(); }
    ComRef(const ComRef &) = delete;
    ComRef &operator=(const ComRef &) = delete;

    T *Get() const { return m_p; }
    T *operator->() const { return m_p; }
    T **Out() {
        Reset();
        return &m_p;
    }
    T *Detach() {
        T *p = m_p;
        m_p = nullptr;
        return p;
    }
    void Reset() {
        if (m_p)
            m_p->Release();
        m_p = nullptr;
    }

private:
    T *m_p = nullptr;
};

class Bstr {
public:
    explicit Bstr(const std::wstring &text)
        : m_b(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr() = default;
    ~Bstr() { SysFreeString(m_b); }
    Bstr(const Bstr &) = delete;
    Bstr &operator=(const Bstr &) = delete;

    BSTR Get() const { return m_b; }
    BSTR *Out() {
        SysFreeString(m_b);
        m_b = nullptr;
        return &m_b;
    }
    std::wstring Text() const { return m_b ? std::wstring(m_b, SysStringLen(m_b)) : L""; }

private:
    BSTR m_b = nullptr;
};

std::string TrimmedUtf8(const std::wstring &text) {
    std::string utf8 = wintext::WideToUtf8(text);
    while (!utf8.empty() && (utf8.back() == '\r' || utf8.back() == '\n' || utf8.back() == ' '))
        utf8.pop_back();
    return utf8;
}

// The platform's own text for a failure: the error object the call left behind, else the
// system's message for the code.
std::runtime_error PlatformError(HRESULT hr, const std::wstring &description = {}) {
    std::wstring text = description;
    if (text.empty()) {
        IErrorInfo *raw = nullptr;
        if (GetErrorInfo(0, &raw) == S_OK && raw) {
            ComRef<IErrorInfo> info(raw);
            Bstr desc;
            if (SUCCEEDED(info->GetDescription(desc.Out())))
                text = desc.Text();
        }
    }
    if (text.empty()) {
        wchar_t *buffer = nullptr;
        const DWORD length = FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
        if (length > 0 && buffer)
            text.assign(buffer, length);
        if (buffer)
            LocalFree(buffer);
    }
    std::string message = TrimmedUtf8(text);
    if (message.empty()) {
        char code[32];
        std::snprintf(code, sizeof code, "Error 0x%08lX", static_cast<unsigned long>(hr));
        message = code;
    }
    return std::runtime_error(message);
}

void ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr))
        throw PlatformError(hr);
}

DISPID ConnectionStringId(IDispatch *object) {
    wchar_t name[] = L"ConnectionString";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    ThrowIfFailed(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    return id;
}

// Invokes a property call; a failure inside the object comes back with its own description.
void InvokeProperty(IDispatch *object, WORD flags, DISPPARAMS &params, VARIANT *result) {
    EXCEPINFO exception = {};
    const HRESULT hr = object->Invoke(ConnectionStringId(object), IID_NULL, LOCALE_USER_DEFAULT,
                                      flags, &params, result, &exception, nullptr);
    std::wstring description;
    if (exception.bstrDescription)
        description.assign(exception.bstrDescription, SysStringLen(exception.bstrDescription));
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (FAILED(hr))
        throw PlatformError(
            hr == DISP_E_EXCEPTION && FAILED(exception.scode) ? exception.scode : hr, description);
}

std::wstring GetConnectionString(IDispatch *connection) {
    DISPPARAMS params = {};
    VARIANT result;
    VariantInit(&result);
    InvokeProperty(connection, DISPATCH_PROPERTYGET, params, &result);
    std::wstring text;
    if (SUCCEEDED(VariantChangeType(&result, &result, 0, VT_BSTR)) && result.bstrVal)
        text.assign(result.bstrVal, SysStringLen(result.bstrVal));
    VariantClear(&result);
    return text;
}

void SetConnectionString(IDispatch *connection, const std::wstring &text) {
    Bstr value(text);
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = value.Get();
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&argument, &named, 1, 1};
    InvokeProperty(connection, DISPATCH_PROPERTYPUT, params, nullptr);
}

// Reading the result back is allowed to fail quietly: the prompt then reports no string.
bool ReadResult(IDispatch *connection, std::wstring &connectionString) {
    try {
        connectionString = GetConnectionString(connection);
        return true;
    } catch (const std::runtime_error &) {
        connectionString.clear();
        return false;
    }
}

template <class T> void CreateComponent(const GUID &clsid, const GUID &iid, ComRef<T> &object) {
    ThrowIfFailed(CoCreateInstance(clsid, nullptr, kActivation, iid,
                                   reinterpret_cast<void **>(object.Out())));
}

// Runs what has to work before the dialog is shown: the objects being created and the
// connection's string being reachable. A failure there means the system lacks the dialog or
// what reads its result (Wine creates the objects but has no type library for the connection),
// so nothing was shown.
template <class F> auto BeforeDialog(F f) {
    try {
        return f();
    } catch (const std::runtime_error &e) {
        throw DataLinkUnavailable(e.what());
    }
}

ComRef<IDataSourceLocator> CreateLocator(void *parentWindow) {
    ComRef<IDataSourceLocator> locator;
    CreateComponent(kClsidDataLinks, kIidDataSourceLocator, locator);
    ThrowIfFailed(locator->put_hWnd(reinterpret_cast<COMPATIBLE_LONG>(parentWindow)));
    return ComRef<IDataSourceLocator>(locator.Detach());
}

// A connection holding the string, as the edit dialog starts from it.
ComRef<IDispatch> CreateConnection(const std::wstring &connectionString) {
    ComRef<IDispatch> connection;
    CreateComponent(kClsidAdoConnection, kIidAdoConnection, connection);
    SetConnectionString(connection.Get(), connectionString);
    return ComRef<IDispatch>(connection.Detach());
}

} // namespace

bool DataLinkPromptNew(void *parentWindow, std::wstring &connectionString) {
    connectionString.clear();
    ComRef<IDataSourceLocator> locator = BeforeDialog([&] {
        CreateConnection(std::wstring()); // the result is read through such a connection
        return CreateLocator(parentWindow);
    });

    ComRef<IDispatch> defined;
    const HRESULT hr = locator->PromptNew(defined.Out());
    if (hr == kCancelled)
        return false;
    ThrowIfFailed(hr);
    if (defined.Get() == nullptr)
        return false;

    ComRef<IDispatch> connection;
    ThrowIfFailed(
        defined->QueryInterface(kIidAdoConnection, reinterpret_cast<void **>(connection.Out())));
    return ReadResult(connection.Get(), connectionString);
}

bool DataLinkPromptEdit(void *parentWindow, std::wstring &connectionString) {
    const std::wstring start = connectionString;
    connectionString.clear();
    ComRef<IDataSourceLocator> locator = BeforeDialog([&] { return CreateLocator(parentWindow); });
    ComRef<IDispatch> fresh = BeforeDialog([&] { return CreateConnection(start); });

    // In/out argument: the dialog may hand back another object, releasing the one passed in.
    IDispatch *passed = fresh.Detach();
    VARIANT_BOOL confirmed = VARIANT_FALSE;
    const HRESULT hr = locator->PromptEdit(&passed, &confirmed);
    ComRef<IDispatch> connection(passed);
    if (hr == kCancelled)
        return false;
    ThrowIfFailed(hr);
    if (confirmed == VARIANT_FALSE || connection.Get() == nullptr)
        return false;
    return ReadResult(connection.Get(), connectionString);
}
