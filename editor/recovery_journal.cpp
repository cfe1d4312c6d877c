#include "editor/recovery_journal.h"

#include "modeldata/file_bytes.h"
#include "platform/durable_file.h"

#include <array>
#include <cstring>
#include <optional>
#include <system_error>

namespace quorvane {
namespace {

// Past this the file is rewritten with the newest record alone.
constexpr size_t kCompactAbove = 8u * 1024u * 1024u;
// The fewest bytes one part takes: five string lengths, six numbers, three vectors.
constexpr size_t kMinPartBytes = 5 * 4 + 6 * 4 + 3 * 16;

bool SameVector(const Vector4& a, const Vector4& b) {
    return a == b;
}

uint32_t Crc32(const std::string& bytes) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (const char ch : bytes) {
        crc = table[(crc ^ static_cast<uint8_t>(ch)) & 0xFFu] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

void PutU32(std::string& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFFu));
    }
}

void PutString(std::string& out, const std::string& text) {
    PutU32(out, static_cast<uint32_t>(text.size()));
    out += text;
}

void PutFloat(std::string& out, float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    PutU32(out, bits);
}

void PutVector(std::string& out, const Vector4& v) {
    for (const float f : {v.x, v.y, v.z, v.w}) {
        PutFloat(out, f);
    }
}

// Reads the payload front to back; any read past its end fails the record.
class CPayloadReader {
public:
    explicit CPayloadReader(const std::string& bytes) : bytes_(bytes) {}

    bool U32(uint32_t& value) {
        if (bytes_.size() - at_ < 4) {
            return false;
        }
        value = 0;
        for (int i = 0; i < 4; ++i) {
            value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes_[at_ + i])) << (8 * i);
        }
        at_ += 4;
        return true;
    }
    bool String(std::string& text) {
        uint32_t size = 0;
        if (!U32(size) || bytes_.size() - at_ < size) {
            return false;
        }
        text.assign(bytes_, at_, size);
        at_ += size;
        return true;
    }
    bool Float(float& value) {
        uint32_t bits = 0;
        if (!U32(bits)) {
            return false;
        }
        std::memcpy(&value, &bits, sizeof value);
        return true;
    }
    bool Vector(Vector4& v) { return Float(v.x) && Float(v.y) && Float(v.z) && Float(v.w); }
    bool AtEnd() const { return at_ == bytes_.size(); }
    size_t Left() const { return bytes_.size() - at_; }

private:
    const std::string& bytes_;
    size_t at_ = 0;
};

uint32_t U32At(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
    }
    return value;
}

std::optional<UnwrittenSet> DecodePayload(const std::string& payload) {
    CPayloadReader in(payload);
    uint32_t count = 0;
    if (!in.U32(count)) {
        return std::nullopt;
    }
    UnwrittenSet set;
    // A count the bytes cannot hold is a lie; believed, it would reserve gigabytes.
    if (count > in.Left() / kMinPartBytes) {
        return std::nullopt;
    }
    set.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        UnwrittenPlacement part;
        CPlacedModel& r = part.record;
        std::string definition;
        const bool ok = in.String(r.uniqueName) && in.String(r.partPath) && in.String(r.modelId) &&
                        in.String(r.sourcePath) && in.String(definition) && in.U32(r.lod) && in.U32(r.copy) &&
                        in.U32(r.shader) && in.U32(r.listNumber) && in.U32(r.animated) &&
                        in.U32(part.placementSerial) && in.Vector(part.transform.scale) &&
                        in.Vector(part.transform.rotation) && in.Vector(part.transform.position);
        if (!ok) {
            return std::nullopt;
        }
        r.definitionPath = std::filesystem::path(std::u8string(definition.begin(), definition.end()));
        set.push_back(std::move(part));
    }
    if (!in.AtEnd()) {
        return std::nullopt;
    }
    return set;
}

} // namespace

bool operator==(const UnwrittenPlacement& a, const UnwrittenPlacement& b) {
    const CPlacedModel& x = a.record;
    const CPlacedModel& y = b.record;
    return x.lod == y.lod && x.copy == y.copy && x.shader == y.shader && x.listNumber == y.listNumber &&
           x.animated == y.animated && x.uniqueName == y.uniqueName && x.partPath == y.partPath &&
           x.modelId == y.modelId && x.sourcePath == y.sourcePath && x.definitionPath == y.definitionPath &&
           a.placementSerial == b.placementSerial && SameVector(a.transform.scale, b.transform.scale) &&
           SameVector(a.transform.rotation, b.transform.rotation) &&
           SameVector(a.transform.position, b.transform.position);
}

CRecoveryJournal::CRecoveryJournal(std::filesystem::path path) : path_(std::move(path)) {}

const std::string& CRecoveryJournal::Header() {
    static const std::string header("QVJRNL1\n", 8);
    return header;
}

std::string CRecoveryJournal::EncodeRecord(const UnwrittenSet& set) {
    std::string payload;
    PutU32(payload, static_cast<uint32_t>(set.size()));
    for (const UnwrittenPlacement& part : set) {
        const CPlacedModel& r = part.record;
        PutString(payload, r.uniqueName);
        PutString(payload, r.partPath);
        PutString(payload, r.modelId);
        PutString(payload, r.sourcePath);
        const std::u8string definition = r.definitionPath.u8string();
        PutString(payload, std::string(definition.begin(), definition.end()));
        for (const uint32_t value :
             {r.lod, r.copy, r.shader, r.listNumber, r.animated, part.placementSerial}) {
            PutU32(payload, value);
        }
        PutVector(payload, part.transform.scale);
        PutVector(payload, part.transform.rotation);
        PutVector(payload, part.transform.position);
    }
    std::string record;
    PutU32(record, static_cast<uint32_t>(payload.size()));
    PutU32(record, Crc32(payload));
    return record + payload;
}

JournalContents CRecoveryJournal::Read() const {
    JournalContents contents;
    std::error_code missing;
    if (!std::filesystem::exists(path_, missing)) {
        return contents; // nothing was ever journaled
    }
    const CFileBytes file = ReadFileBytes(path_);
    if (!file) {
        contents.error = file.error;
        return contents;
    }
    const std::string bytes(file.Text());
    const std::string& header = Header();
    if (bytes.size() < header.size()) {
        // A header cut while the file was made is still ours; anything else is not.
        if (header.compare(0, bytes.size(), bytes) != 0) {
            contents.error = path_.string() + " is not a recovery journal";
        }
        contents.damagedTail = !bytes.empty() && contents.error.empty();
        return contents;
    }
    if (bytes.compare(0, header.size(), header) != 0) {
        contents.error = path_.string() + " is not a recovery journal";
        return contents;
    }
    size_t at = header.size();
    contents.validLength = at;
    while (at < bytes.size()) {
        if (bytes.size() - at < 8) {
            contents.damagedTail = true;
            break;
        }
        const uint32_t length = U32At(bytes, at);
        const uint32_t checksum = U32At(bytes, at + 4);
        if (length > kMaxPayload || bytes.size() - at - 8 < length) {
            contents.damagedTail = true;
            break;
        }
        const std::string payload = bytes.substr(at + 8, length);
        std::optional<UnwrittenSet> set;
        if (Crc32(payload) == checksum) {
            set = DecodePayload(payload);
        }
        if (!set) {
            contents.damagedTail = true;
            break;
        }
        contents.records.push_back(std::move(*set));
        at += 8 + length;
        contents.validLength = at;
    }
    return contents;
}

bool CRecoveryJournal::Prepare(std::string* message) {
    if (prepared_) {
        return true;
    }
    const JournalContents contents = Read();
    if (!contents.error.empty()) {
        *message = contents.error + "; it is left as it is";
        return false;
    }
    std::error_code error;
    if (contents.validLength == 0) {
        if (!Rewrite({}, message)) {
            return false;
        }
    } else if (contents.damagedTail) {
        std::filesystem::resize_file(path_, contents.validLength, error);
        if (error) {
            *message = "cannot cut the damaged end off " + path_.string() + ": " + error.message();
            return false;
        }
        length_ = contents.validLength;
    } else {
        length_ = contents.validLength;
    }
    prepared_ = true;
    return true;
}

bool CRecoveryJournal::Rewrite(const std::string& bytes, std::string* message) {
    if (!ReplaceDurably(path_, Header() + bytes, message)) {
        return false;
    }
    length_ = Header().size() + bytes.size();
    return true;
}

bool CRecoveryJournal::Append(const UnwrittenSet& set, std::string* message) {
    std::error_code error;
    if (prepared_ && !std::filesystem::exists(path_, error)) {
        // Deleted while the editor ran: start it again rather than journal
        // nothing for the rest of the run.
        prepared_ = false;
    }
    if (!Prepare(message)) {
        return false;
    }
    const std::string record = EncodeRecord(set);
    if (length_ + record.size() > kCompactAbove) {
        // Every record holds the whole set, so the newest alone is enough.
        return Rewrite(record, message);
    }
    // A failed append leaves the file as it was: no partial record hides the ones after it.
    if (!AppendDurably(path_, record, AppendTarget::ExistingOnly, message)) {
        prepared_ = false; // read again before the next append
        return false;
    }
    length_ += record.size();
    return true;
}

bool CRecoveryJournal::Clear(std::string* message) {
    const JournalContents contents = Read();
    if (!contents.error.empty()) {
        *message = contents.error + "; it is left as it is";
        return false;
    }
    if (!Rewrite({}, message)) {
        return false;
    }
    prepared_ = true;
    return true;
}

bool CRecoveryJournal::SetAside(std::filesystem::path* setAsidePath, std::string* message) {
    for (int attempt = 1; attempt < 1000; ++attempt) {
        std::filesystem::path candidate = path_;
        candidate += attempt == 1 ? ".damaged" : ".damaged-" + std::to_string(attempt);
        std::error_code error;
        if (std::filesystem::exists(candidate, error) || error) {
            continue;
        }
        std::filesystem::rename(path_, candidate, error);
        if (error) {
            *message =
                "cannot rename " + path_.string() + " to " + candidate.string() + ": " + error.message();
            return false;
        }
        *setAsidePath = candidate;
        prepared_ = false;
        return true;
    }
    *message = "no free name to set " + path_.string() + " aside under";
    return false;
}

} // namespace quorvane
