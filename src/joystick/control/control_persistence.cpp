// Persistence: the property bag through the portable load and save rules, and the control's
// own record in streams and storages.
#include "joystick/control/control.h"

#include "joystick_logic/stream_record.h"

using Microsoft::WRL::ComPtr;
using quorin::joystick::PersistedProperties;

namespace joystick {

namespace {

// The stream a storage container gives the control holds the same record as a plain stream.
constexpr wchar_t StorageStreamName[] = L"Contents";

// Maps a property-bag VARIANT onto the core's value kinds. Numeric kinds the core does not
// distinguish are widened to a double first.
quorin::joystick::PropValue ToPropValue(const VARIANT& v, VARIANT& scratch) noexcept {
    using quorin::joystick::PropValue;
    using quorin::joystick::ValueKind;
    switch (V_VT(&v)) {
    case VT_EMPTY:
        return PropValue::Of(ValueKind::Empty);
    case VT_NULL:
        return PropValue::Of(ValueKind::Null);
    case VT_I2:
        return PropValue::Int16(V_I2(&v));
    case VT_I4:
    case VT_INT:
        return PropValue::Int32(V_I4(&v));
    case VT_BOOL:
        return PropValue::Bool(V_BOOL(&v));
    case VT_BSTR: {
        const BSTR s = V_BSTR(&v);
        return PropValue::Of(
            quorin::joystick::TextView(reinterpret_cast<const char16_t*>(s ? s : L""), ::SysStringLen(s)));
    }
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_DECIMAL:
        if (SUCCEEDED(::VariantChangeType(&scratch, const_cast<VARIANT*>(&v), 0, VT_R8)))
            return PropValue::Double(V_R8(&scratch));
        break;
    default:
        break;
    }
    return PropValue::Of(ValueKind::Unsupported);
}

// Only a missing value means "use the default". Bags report it as E_INVALIDARG, the status the
// interface documents, or, when they keep their values in the registry, as its file-not-found.
bool IsMissingValue(HRESULT hr) noexcept {
    return hr == E_INVALIDARG || hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

class BagReader final : public quorin::joystick::PropertyBagReader {
public:
    BagReader(IPropertyBag* bag, IErrorLog* log) noexcept : bag_(bag), log_(log) {
        ::VariantInit(&value_);
        ::VariantInit(&scratch_);
    }
    ~BagReader() {
        ::VariantClear(&value_);
        ::VariantClear(&scratch_);
    }

    // The bag's own status when a read failed for another reason than a missing value.
    HRESULT failure = S_OK;

    quorin::joystick::ReadOutcome Read(const char16_t* name,
                                       quorin::joystick::PropValue& out) noexcept override {
        using quorin::joystick::ReadOutcome;
        ::VariantClear(&value_);
        ::VariantClear(&scratch_);
        VARIANT raw;
        ::VariantInit(&raw);
        const HRESULT hr = bag_->Read(reinterpret_cast<LPCOLESTR>(name), &raw, log_);
        if (FAILED(hr)) {
            ::VariantClear(&raw);
            if (IsMissingValue(hr))
                return ReadOutcome::Missing;
            failure = hr;
            return ReadOutcome::Failed;
        }
        // A value that refers to another is read through the reference.
        if (FAILED(::VariantCopyInd(&value_, &raw))) {
            ::VariantClear(&raw);
            out = quorin::joystick::PropValue::Of(quorin::joystick::ValueKind::Unsupported);
            return ReadOutcome::Stored;
        }
        ::VariantClear(&raw);
        out = ToPropValue(value_, scratch_);
        return ReadOutcome::Stored;
    }

private:
    IPropertyBag* bag_;
    IErrorLog* log_;
    VARIANT value_;
    VARIANT scratch_;
};

class BagWriter final : public quorin::joystick::PropertyBagWriter {
public:
    explicit BagWriter(IPropertyBag* bag) noexcept : bag_(bag) {}
    HRESULT status = S_OK;

    bool Write(const char16_t* name, const quorin::joystick::PropValue& v) noexcept override {
        VARIANT var;
        ::VariantInit(&var);
        if (v.kind == quorin::joystick::ValueKind::Bool) {
            V_VT(&var) = VT_BOOL;
            V_BOOL(&var) = static_cast<VARIANT_BOOL>(v.integer);
        } else {
            V_VT(&var) = VT_I4;
            V_I4(&var) = v.integer;
        }
        status = bag_->Write(reinterpret_cast<LPCOLESTR>(name), &var);
        return SUCCEEDED(status);
    }

private:
    IPropertyBag* bag_;
};

HRESULT ReadExactly(IStream* stream, void* buffer, ULONG size) noexcept {
    ULONG got = 0;
    HRESULT hr = stream->Read(buffer, size, &got);
    if (FAILED(hr))
        return hr;
    return got == size ? S_OK : STG_E_READFAULT;
}

} // namespace

PersistedProperties Control::Persisted() const noexcept {
    return {interval_, settings_.port, settings_.repeatButton, settings_.repeatCursor};
}

void Control::ApplyPersisted(const PersistedProperties& p) noexcept {
    // Straight to the fields: no range test, no port test, no change report.
    interval_ = p.interval;
    settings_.port = p.port;
    settings_.repeatButton = p.repeatButton;
    settings_.repeatCursor = p.repeatCursor;
    (void)UpdateTimer();
}

HRESULT Control::GetClassID(CLSID* clsid) noexcept {
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_ControlJoystick;
    return S_OK;
}

HRESULT Control::IsDirty() noexcept {
    return dirty_ ? S_OK : S_FALSE;
}

HRESULT Control::InitNew() noexcept {
    // A new instance: the timer's interval keeps its initial value.
    settings_.port = 0;
    settings_.repeatButton = 0;
    settings_.repeatCursor = 0;
    dirty_ = false;
    return S_OK;
}

HRESULT Control::Load(IStream* stream) noexcept {
    if (!stream)
        return E_POINTER;
    uint8_t header[quorin::joystick::StreamHeaderSize];
    HRESULT hr = ReadExactly(stream, header, sizeof header);
    if (FAILED(hr))
        return hr;
    uint32_t bodyLength = 0;
    if (quorin::joystick::DecodeStreamHeader(header, sizeof header, bodyLength) !=
        quorin::joystick::StreamStatus::Ok)
        return E_UNEXPECTED;
    uint8_t body[quorin::joystick::StreamBodySize];
    hr = ReadExactly(stream, body, sizeof body);
    if (FAILED(hr))
        return hr;
    PersistedProperties p;
    if (quorin::joystick::DecodeStreamBody(body, sizeof body, p) != quorin::joystick::StreamStatus::Ok)
        return E_UNEXPECTED;
    // Fields a later version appended are skipped so the container's stream stays in step.
    if (bodyLength > sizeof body) {
        LARGE_INTEGER skip;
        skip.QuadPart = bodyLength - sizeof body;
        hr = stream->Seek(skip, STREAM_SEEK_CUR, nullptr);
        if (FAILED(hr))
            return hr;
    }
    ApplyPersisted(p);
    dirty_ = false;
    return S_OK;
}

HRESULT Control::Save(IStream* stream, BOOL clearDirty) noexcept {
    if (!stream)
        return E_POINTER;
    uint8_t record[quorin::joystick::StreamRecordSize];
    quorin::joystick::EncodeStreamRecord(Persisted(), record);
    ULONG written = 0;
    HRESULT hr = stream->Write(record, sizeof record, &written);
    if (FAILED(hr))
        return hr;
    if (written != sizeof record)
        return STG_E_WRITEFAULT;
    if (clearDirty)
        dirty_ = false;
    return S_OK;
}

HRESULT Control::GetSizeMax(ULARGE_INTEGER* size) noexcept {
    if (!size)
        return E_POINTER;
    size->QuadPart = quorin::joystick::StreamRecordSize;
    return S_OK;
}

HRESULT Control::Load(IPropertyBag* bag, IErrorLog* log) noexcept {
    if (!bag)
        return E_POINTER;
    BagReader reader(bag, log);
    PersistedProperties p = Persisted();
    const quorin::joystick::LoadResult r = quorin::joystick::LoadProperties(reader, p);
    // Values loaded before a failing one stay loaded.
    ApplyPersisted(p);
    switch (r.status) {
    case quorin::joystick::LoadStatus::Ok:
        dirty_ = false;
        return S_OK;
    case quorin::joystick::LoadStatus::Overflow:
        return DISP_E_OVERFLOW;
    case quorin::joystick::LoadStatus::ReadFailed:
        return FAILED(reader.failure) ? reader.failure : E_FAIL;
    case quorin::joystick::LoadStatus::TypeMismatch:
        break;
    }
    return DISP_E_TYPEMISMATCH;
}

HRESULT Control::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) noexcept {
    if (!bag)
        return E_POINTER;
    BagWriter writer(bag);
    if (!quorin::joystick::SaveProperties(Persisted(), writer))
        return FAILED(writer.status) ? writer.status : E_FAIL;
    if (clearDirty)
        dirty_ = false;
    return S_OK;
}

HRESULT Control::InitNew(IStorage* storage) noexcept {
    if (!storage)
        return E_POINTER;
    return InitNew();
}

HRESULT Control::Load(IStorage* storage) noexcept {
    if (!storage)
        return E_POINTER;
    ComPtr<IStream> stream;
    HRESULT hr =
        storage->OpenStream(StorageStreamName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
    if (FAILED(hr))
        return hr;
    return Load(stream.Get());
}

HRESULT Control::Save(IStorage* storage, BOOL) noexcept {
    if (!storage)
        return E_POINTER;
    ComPtr<IStream> stream;
    HRESULT hr = storage->CreateStream(StorageStreamName, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0,
                                       0, &stream);
    if (FAILED(hr))
        return hr;
    // The container calls SaveCompleted afterwards; the flag is cleared as for a stream.
    return Save(stream.Get(), TRUE);
}

HRESULT Control::SaveCompleted(IStorage*) noexcept {
    return S_OK;
}

HRESULT Control::HandsOffStorage() noexcept {
    return S_OK;
}

} // namespace joystick
