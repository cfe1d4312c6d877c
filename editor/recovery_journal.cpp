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
// One edit of a written placement: five string lengths, five numbers, three vectors.
constexpr size_t kMinEditBytes = 5 * 4 + 5 * 4 + 3 * 16;

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

void PutPath(std::string& out, const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    PutString(out, std::string(text.begin(), text.end()));
}

std::filesystem::path PathOf(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

void PutPlacement(std::string& out, const UnwrittenPlacement& part) {
    const CPlacedModel& r = part.record;
    PutString(out, r.uniqueName);
    PutString(out, r.partPath);
    PutString(out, r.modelId);
    PutString(out, r.sourcePath);
    PutPath(out, r.definitionPath);
    for (const uint32_t value : {r.lod, r.copy, r.shader, r.listNumber, r.animated, part.placementSerial}) {
        PutU32(out, value);
    }
    PutVector(out, part.transform.scale);
    PutVector(out, part.transform.rotation);
    PutVector(out, part.transform.position);
}

void PutEdit(std::string& out, const WrittenPart& edit) {
    const GridLine& line = edit.line;
    PutPath(out, edit.file);
    PutU32(out, edit.deleted ? 1u : 0u);
    PutString(out, line.uniqueName);
    PutString(out, line.modelId);
    PutString(out, line.partPath);
    PutString(out, line.sourcePath);
    for (const int32_t value : {line.copy, line.shader, line.listNumber, line.animated}) {
        PutU32(out, static_cast<uint32_t>(value));
    }
    PutVector(out, line.position);
    PutVector(out, line.scale);
    PutVector(out, line.rotation);
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

bool DecodePlacement(CPayloadReader& in, UnwrittenPlacement& part) {
    CPlacedModel& r = part.record;
    std::string definition;
    const bool ok = in.String(r.uniqueName) && in.String(r.partPath) && in.String(r.modelId) &&
                    in.String(r.sourcePath) && in.String(definition) && in.U32(r.lod) && in.U32(r.copy) &&
                    in.U32(r.shader) && in.U32(r.listNumber) && in.U32(r.animated) &&
                    in.U32(part.placementSerial) && in.Vector(part.transform.scale) &&
                    in.Vector(part.transform.rotation) && in.Vector(part.transform.position);
    r.definitionPath = PathOf(definition);
    return ok;
}

bool DecodeEdit(CPayloadReader& in, WrittenPart& edit) {
    std::string file;
    uint32_t deleted = 0;
    GridLine& line = edit.line;
    uint32_t copy = 0;
    uint32_t shader = 0;
    uint32_t listNumber = 0;
    uint32_t animated = 0;
    const bool ok = in.String(file) && in.U32(deleted) && deleted <= 1 && in.String(line.uniqueName) &&
                    in.String(line.modelId) && in.String(line.partPath) && in.String(line.sourcePath) &&
                    in.U32(copy) && in.U32(shader) && in.U32(listNumber) && in.U32(animated) &&
                    in.Vector(line.position) && in.Vector(line.scale) && in.Vector(line.rotation);
    edit.file = PathOf(file);
    edit.deleted = deleted == 1;
    line.copy = static_cast<int32_t>(copy);
    line.shader = static_cast<int32_t>(shader);
    line.listNumber = static_cast<int32_t>(listNumber);
    line.animated = static_cast<int32_t>(animated);
    return ok;
}

// Counts the bytes cannot hold are lies; believed, they would reserve gigabytes.
template <typename T, typename Decode>
bool DecodeList(CPayloadReader& in, size_t minBytes, std::vector<T>& out, Decode decode) {
    uint32_t count = 0;
    if (!in.U32(count) || count > in.Left() / minBytes) {
        return false;
    }
    out.resize(count);
    for (T& item : out) {
        if (!decode(in, item)) {
            return false;
        }
    }
    return true;
}

std::optional<JournalRecord> DecodePayload(const std::string& payload, bool olderFormat) {
    CPayloadReader in(payload);
    JournalRecord record;
    if (!DecodeList(in, kMinPartBytes, record.placements, DecodePlacement)) {
        return std::nullopt;
    }
    if (!olderFormat && !DecodeList(in, kMinEditBytes, record.edits, DecodeEdit)) {
        return std::nullopt;
    }
    if (!in.AtEnd()) {
        return std::nullopt;
    }
    return record;
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
    static const std::string header("QVJRNL2\n", 8);
    return header;
}

const std::string& CRecoveryJournal::OlderHeader() {
    static const std::string header("QVJRNL1\n", 8);
    return header;
}

std::string CRecoveryJournal::EncodeRecord(const JournalRecord& journaled) {
    std::string payload;
    PutU32(payload, static_cast<uint32_t>(journaled.placements.size()));
    for (const UnwrittenPlacement& part : journaled.placements) {
        PutPlacement(payload, part);
    }
    PutU32(payload, static_cast<uint32_t>(journaled.edits.size()));
    for (const WrittenPart& edit : journaled.edits) {
        PutEdit(payload, edit);
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
    contents.olderFormat = bytes.compare(0, header.size(), OlderHeader()) == 0;
    if (!contents.olderFormat && bytes.compare(0, header.size(), header) != 0) {
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
        std::optional<JournalRecord> record;
        if (Crc32(payload) == checksum) {
            record = DecodePayload(payload, contents.olderFormat);
        }
        if (!record) {
            contents.damagedTail = true;
            break;
        }
        contents.records.push_back(std::move(*record));
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
    olderFormat_ = contents.olderFormat;
    prepared_ = true;
    return true;
}

bool CRecoveryJournal::Rewrite(const std::string& bytes, std::string* message) {
    if (!ReplaceDurably(path_, Header() + bytes, message)) {
        return false;
    }
    length_ = Header().size() + bytes.size();
    olderFormat_ = false;
    return true;
}

bool CRecoveryJournal::Append(const JournalRecord& journaled, std::string* message) {
    std::error_code error;
    if (prepared_ && !std::filesystem::exists(path_, error)) {
        // Deleted while the editor ran: start it again rather than journal
        // nothing for the rest of the run.
        prepared_ = false;
    }
    if (!Prepare(message)) {
        return false;
    }
    const std::string record = EncodeRecord(journaled);
    if (olderFormat_ || length_ + record.size() > kCompactAbove) {
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
