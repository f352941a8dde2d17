#include "HeifLayout.h"

#include <libheif/heif.h>

#include <map>
#include <set>
#include <vector>

namespace glint::photo {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint32_t fourcc(const char (&name)[5]) {
    return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16 |
           std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint8_t(name[3]);
}

constexpr size_t kBoxHeaderBytes = 8;
constexpr size_t kLargeSizeBytes = 8;
constexpr size_t kFullBoxBytes = 4;  // version and flags
// Derived images (grids, overlays, identities) made of derived images are not nested deeper.
constexpr int kMostDerivationLevels = 8;

// How images or frames can be coded, and what this installation decodes: still images through
// libheif, image sequences through libavif (AV1 only).
struct Coding {
    std::uint32_t type;  // item type, or sample entry type of a track
    heif_compression_format format;
    const char* image;   // "... a HEIF with <image>"
    const char* frames;  // "... a HEIF image sequence of <frames>"
};

constexpr heif_compression_format kNoLibheifFormat = heif_compression_undefined;
const Coding kCodings[] = {
    {fourcc("hvc1"), heif_compression_HEVC, "an HEVC-coded image", "HEVC-coded frames"},
    {fourcc("hev1"), heif_compression_HEVC, "an HEVC-coded image", "HEVC-coded frames"},
    {fourcc("av01"), heif_compression_AV1, "an AV1-coded image", "AV1-coded frames"},
    {fourcc("avc1"), heif_compression_AVC, "an AVC-coded image", "AVC-coded frames"},
    {fourcc("jpeg"), heif_compression_JPEG, "a JPEG-coded image", "JPEG-coded frames"},
    {fourcc("j2k1"), heif_compression_JPEG2000, "a JPEG 2000-coded image",
     "JPEG 2000-coded frames"},
    {fourcc("vvc1"), heif_compression_VVC, "a VVC-coded image", "VVC-coded frames"},
    {fourcc("evc1"), heif_compression_EVC, "an EVC-coded image", "EVC-coded frames"},
    {fourcc("unci"), kNoLibheifFormat, "an uncompressed image", "uncompressed frames"},
};
constexpr std::uint32_t kSequenceCodingDecoded = fourcc("av01");

bool isDerived(std::uint32_t type) {
    return type == fourcc("grid") || type == fourcc("iovl") || type == fourcc("iden");
}

const Coding* codingOf(std::uint32_t type) {
    for (const Coding& c : kCodings)
        if (c.type == type) return &c;
    return nullptr;
}

bool itemDecoded(const Coding& coding) {
    return coding.format != kNoLibheifFormat && heif_have_decoder_for_format(coding.format) != 0;
}

// Big-endian numbers read one after another; past the end every read gives 0 and `ok` is false.
struct Cursor {
    Bytes bytes;
    size_t at = 0;
    bool ok = true;

    std::uint64_t read(size_t count) {
        if (!ok || bytes.size() - at < count) {
            ok = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (size_t i = 0; i < count; ++i) value = value << 8 | bytes[at + i];
        at += count;
        return value;
    }
    // Version of a full box (its flags are skipped).
    unsigned version() {
        const auto v = static_cast<unsigned>(read(1));
        read(kFullBoxBytes - 1);
        return v;
    }
    Bytes rest() const { return ok ? bytes.subspan(at) : Bytes{}; }
};

struct Box {
    std::uint32_t type;
    Bytes body;
};

// The boxes one after another in `bytes`, up to the first that does not fit.
std::vector<Box> boxesIn(Bytes bytes) {
    std::vector<Box> boxes;
    Cursor c{bytes};
    while (c.ok && bytes.size() - c.at >= kBoxHeaderBytes) {
        const size_t start = c.at;
        std::uint64_t size = c.read(4);
        const auto type = static_cast<std::uint32_t>(c.read(4));
        if (size == 1) size = c.read(kLargeSizeBytes);
        if (size == 0) size = bytes.size() - start;  // the box runs to the end
        const size_t header = c.at - start;
        if (!c.ok || size < header || size > bytes.size() - start) break;
        boxes.push_back({type, bytes.subspan(c.at, size - header)});
        c.at = start + size;
    }
    return boxes;
}

const Box* find(const std::vector<Box>& boxes, std::uint32_t type) {
    for (const Box& b : boxes)
        if (b.type == type) return &b;
    return nullptr;
}

// The boxes inside the full box `box`.
std::vector<Box> childrenOfFullBox(const Box& box) {
    Cursor c{box.body};
    c.version();
    return boxesIn(c.rest());
}

// The image items of a meta box: each one's type and the images a derived one is made of.
struct Items {
    std::uint32_t primary = 0;
    bool hasPrimary = false;
    std::map<std::uint32_t, std::uint32_t> types;
    std::map<std::uint32_t, std::vector<std::uint32_t>> inputs;
};

void readItemTypes(const Box& iinf, Items& items) {
    Cursor c{iinf.body};
    c.read(c.version() == 0 ? 2 : 4);  // entry count: the boxes that follow say it too
    for (const Box& infe : boxesIn(c.rest())) {
        if (infe.type != fourcc("infe")) continue;
        Cursor e{infe.body};
        const unsigned version = e.version();
        if (version < 2) continue;  // the old form names no item type
        const auto id = static_cast<std::uint32_t>(e.read(version == 2 ? 2 : 4));
        e.read(2);  // protection index
        const auto type = static_cast<std::uint32_t>(e.read(4));
        if (e.ok) items.types[id] = type;
    }
}

void readDerivations(const Box& iref, Items& items) {
    Cursor c{iref.body};
    const size_t idBytes = c.version() == 0 ? 2 : 4;
    for (const Box& reference : boxesIn(c.rest())) {
        if (reference.type != fourcc("dimg")) continue;
        Cursor r{reference.body};
        const auto from = static_cast<std::uint32_t>(r.read(idBytes));
        const auto count = r.read(2);
        std::vector<std::uint32_t>& inputs = items.inputs[from];
        for (std::uint64_t i = 0; i < count && r.ok; ++i) {
            const auto to = static_cast<std::uint32_t>(r.read(idBytes));
            if (r.ok) inputs.push_back(to);
        }
    }
}

Items readItems(const Box& meta) {
    Items items;
    for (const Box& box : childrenOfFullBox(meta)) {
        if (box.type == fourcc("pitm")) {
            Cursor c{box.body};
            items.primary = static_cast<std::uint32_t>(c.read(c.version() == 0 ? 2 : 4));
            items.hasPrimary = c.ok;
        } else if (box.type == fourcc("iinf")) {
            readItemTypes(box, items);
        } else if (box.type == fourcc("iref")) {
            readDerivations(box, items);
        }
    }
    return items;
}

// The first coding, among the images that item `id` is made of, that libheif cannot decode.
// Each item is looked at once, however often it is referenced.
const Coding* undecodedCoding(const Items& items, std::uint32_t id, int level,
                              std::set<std::uint32_t>& seen) {
    const auto type = items.types.find(id);
    if (type == items.types.end() || !seen.insert(id).second) return nullptr;
    if (isDerived(type->second)) {
        const auto inputs = items.inputs.find(id);
        if (inputs == items.inputs.end() || level == kMostDerivationLevels) return nullptr;
        for (const std::uint32_t input : inputs->second)
            if (const Coding* c = undecodedCoding(items, input, level + 1, seen)) return c;
        return nullptr;
    }
    const Coding* coding = codingOf(type->second);
    return coding && !itemDecoded(*coding) ? coding : nullptr;
}

// The boxes that lead from a track to its sample descriptions.
constexpr std::uint32_t kTrackToSampleDescriptions[] = {fourcc("mdia"), fourcc("minf"),
                                                        fourcc("stbl"), fourcc("stsd")};

// The coding of the frames of the first track that describes them: its first sample entry.
const Coding* sequenceCoding(const Box& moov) {
    for (const Box& trak : boxesIn(moov.body)) {
        if (trak.type != fourcc("trak")) continue;
        Bytes body = trak.body;
        bool found = true;
        for (const std::uint32_t inner : kTrackToSampleDescriptions) {
            const std::vector<Box> children = boxesIn(body);
            const Box* box = find(children, inner);
            found = box != nullptr;
            if (!found) break;
            body = box->body;
        }
        if (!found) continue;
        Cursor c{body};
        c.version();
        c.read(4);  // entry count
        const std::vector<Box> entries = boxesIn(c.rest());
        if (!entries.empty()) return codingOf(entries.front().type);
    }
    return nullptr;
}

}  // namespace

HeifLayout heifLayout(std::span<const std::uint8_t> file) {
    HeifLayout layout;
    const std::vector<Box> top = boxesIn(file);
    const Box* meta = find(top, fourcc("meta"));
    const Box* moov = find(top, fourcc("moov"));
    layout.still = meta != nullptr;
    layout.sequence = moov != nullptr;
    if (meta) {
        const Items items = readItems(*meta);
        std::set<std::uint32_t> seen;
        const Coding* c =
            items.hasPrimary ? undecodedCoding(items, items.primary, 0, seen) : nullptr;
        if (c) layout.unsupported = std::string("a HEIF with ") + c->image;
    } else if (moov) {
        const Coding* c = sequenceCoding(*moov);
        if (c && c->type != kSequenceCodingDecoded)
            layout.unsupported = std::string("a HEIF image sequence of ") + c->frames;
    } else if (find(top, fourcc("mini"))) {
        layout.unsupported = "a HEIF in the low-overhead 'mini' layout";
    }
    return layout;
}

}  // namespace glint::photo
