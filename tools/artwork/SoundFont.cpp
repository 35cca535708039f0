#include "SoundFont.h"

#include "shell/core/MidiFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

namespace art {

namespace {

std::uint32_t le(const char *p, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | std::uint8_t(p[i]);
    return v;
}

void setLe(char *p, int bytes, std::uint32_t v)
{
    for (int i = 0; i < bytes; ++i, v >>= 8)
        p[i] = char(v & 0xFF);
}

} // namespace

std::set<Preset> presetsPlayed(const QByteArray &midi)
{
    const std::optional<lettora::MidiFile> file = lettora::readMidiFile(midi);
    if (!file)
        return {};
    // The tracks' events in time, each track's own order kept at one tick.
    std::vector<lettora::MidiEvent> events = file->events;
    std::stable_sort(events.begin(), events.end(),
                     [](const lettora::MidiEvent &a, const lettora::MidiEvent &b) { return a.tick < b.tick; });
    int program[16] = {};
    int bank[16] = {};
    std::set<Preset> played;
    for (const lettora::MidiEvent &e : events) {
        const int channel = e.status & 0x0F;
        switch (e.status & 0xF0) {
        case 0xC0: program[channel] = e.data1; break;
        case 0xB0:
            if (e.data1 == 0)
                bank[channel] = e.data2;
            break;
        case 0x90:
            if (e.data2 > 0)
                played.insert({channel == 9 ? 128 : bank[channel], program[channel]});
            break;
        default: break;
        }
    }
    return played;
}

namespace {

// The nine tables of a SoundFont's preset data, each a run of fixed-size records ending with a
// terminal record.
struct Table
{
    int recordSize = 0;
    QByteArray bytes;
    int count() const { return int(bytes.size() / recordSize); }
    const char *at(int i) const { return bytes.constData() + qsizetype(i) * recordSize; }
    std::uint32_t field(int i, int offset, int size) const { return le(at(i) + offset, size); }
};

struct Chunk
{
    QByteArray id;
    QByteArray data;
};

// The sub-chunks of a RIFF list body.
std::vector<Chunk> chunks(const QByteArray &d, qsizetype from, qsizetype to)
{
    std::vector<Chunk> out;
    while (from + 8 <= to) {
        const qsizetype size = qsizetype(le(d.constData() + from + 4, 4));
        if (from + 8 + size > to)
            return {};
        out.push_back({d.mid(from, 4), d.mid(from + 8, size)});
        from += 8 + size + (size & 1);
    }
    return out;
}

void appendChunk(QByteArray &out, const char *id, const QByteArray &data)
{
    char size[4];
    setLe(size, 4, std::uint32_t(data.size()));
    out.append(id, 4).append(size, 4).append(data);
    if (data.size() & 1)
        out.append('\0');
}

void appendRecord(Table &t, const char *record) { t.bytes.append(record, t.recordSize); }

constexpr int InstrumentGenerator = 41;
constexpr int SampleGenerator = 53;
constexpr int SamplePadding = 46;  // zero points after every sample

} // namespace

QByteArray soundFontSubset(const QByteArray &sf2, const std::set<Preset> &presets)
{
    if (sf2.size() < 12 || !sf2.startsWith("RIFF") || sf2.mid(8, 4) != "sfbk")
        return {};
    QByteArray info, smpl, sm24;
    std::map<QByteArray, Table> pdta = {{"phdr", {38, {}}}, {"pbag", {4, {}}}, {"pmod", {10, {}}}, {"pgen", {4, {}}},
                                        {"inst", {22, {}}}, {"ibag", {4, {}}}, {"imod", {10, {}}}, {"igen", {4, {}}},
                                        {"shdr", {46, {}}}};
    for (const Chunk &list : chunks(sf2, 12, std::min<qsizetype>(sf2.size(), 8 + le(sf2.constData() + 4, 4)))) {
        if (list.id != "LIST" || list.data.size() < 4)
            continue;
        const QByteArray type = list.data.left(4);
        if (type == "INFO")
            info = list.data;
        for (const Chunk &c : chunks(list.data, 4, list.data.size())) {
            if (type == "sdta" && c.id == "smpl")
                smpl = c.data;
            else if (type == "sdta" && c.id == "sm24")
                sm24 = c.data;
            else if (type == "pdta" && pdta.count(c.id))
                pdta[c.id].bytes = c.data;
        }
    }
    if (info.isEmpty() || smpl.isEmpty())
        return {};
    for (auto &[id, table] : pdta) {
        if (table.bytes.isEmpty() || table.bytes.size() % table.recordSize)
            return {};
    }
    const Table &phdr = pdta["phdr"], &pbag = pdta["pbag"], &pmod = pdta["pmod"], &pgen = pdta["pgen"];
    const Table &inst = pdta["inst"], &ibag = pdta["ibag"], &imod = pdta["imod"], &igen = pdta["igen"];
    const Table &shdr = pdta["shdr"];

    Table outPhdr{38, {}}, outPbag{4, {}}, outPmod{10, {}}, outPgen{4, {}};
    Table outInst{22, {}}, outIbag{4, {}}, outImod{10, {}}, outIgen{4, {}}, outShdr{46, {}};
    std::map<int, int> newInstrument, newSample;
    std::vector<int> instruments, samples;  // old indices, in their new order
    auto renumber = [](std::map<int, int> &map, std::vector<int> &order, int old) {
        auto [it, added] = map.try_emplace(old, int(order.size()));
        if (added)
            order.push_back(old);
        return it->second;
    };
    // Copies zones [first, last) of a bag table with their generators and modulators, renumbering
    // the generator `link` through `map`.
    auto copyZones = [&](const Table &bag, const Table &gen, const Table &mod, int first, int last, Table &outBag,
                         Table &outGen, Table &outMod, int link, std::map<int, int> &map, std::vector<int> &order) {
        if (first < 0 || last >= bag.count() || first > last)
            return false;
        for (int b = first; b < last; ++b) {
            char record[4];
            setLe(record, 2, std::uint32_t(outGen.count()));
            setLe(record + 2, 2, std::uint32_t(outMod.count()));
            appendRecord(outBag, record);
            const int g0 = int(bag.field(b, 0, 2)), g1 = int(bag.field(b + 1, 0, 2));
            const int m0 = int(bag.field(b, 2, 2)), m1 = int(bag.field(b + 1, 2, 2));
            if (g0 > g1 || g1 >= gen.count() || m0 > m1 || m1 >= mod.count())
                return false;
            for (int g = g0; g < g1; ++g) {
                char copy[4];
                std::memcpy(copy, gen.at(g), 4);
                if (int(gen.field(g, 0, 2)) == link)
                    setLe(copy + 2, 2, std::uint32_t(renumber(map, order, int(gen.field(g, 2, 2)))));
                appendRecord(outGen, copy);
            }
            for (int m = m0; m < m1; ++m)
                appendRecord(outMod, mod.at(m));
        }
        return true;
    };

    // Copies header `i` (a preset or an instrument; its first bag's index at `bagField`), pointing
    // it at the bags copied next.
    auto copyHeader = [](const Table &headers, int i, int bagField, Table &out, const Table &outBags) {
        QByteArray record(headers.at(i), headers.recordSize);
        setLe(record.data() + bagField, 2, std::uint32_t(outBags.count()));
        appendRecord(out, record.constData());
    };
    std::set<Preset> found;
    for (int p = 0; p + 1 < phdr.count(); ++p) {
        const Preset preset{int(phdr.field(p, 22, 2)), int(phdr.field(p, 20, 2))};
        if (!presets.count(preset) || found.count(preset))
            continue;
        found.insert(preset);
        copyHeader(phdr, p, 24, outPhdr, outPbag);
        if (!copyZones(pbag, pgen, pmod, int(phdr.field(p, 24, 2)), int(phdr.field(p + 1, 24, 2)), outPbag, outPgen,
                       outPmod, InstrumentGenerator, newInstrument, instruments))
            return {};
    }
    if (found != presets)
        return {};
    for (std::size_t i = 0; i < instruments.size(); ++i) {
        const int old = instruments[i];
        if (old + 1 >= inst.count())
            return {};
        copyHeader(inst, old, 20, outInst, outIbag);
        if (!copyZones(ibag, igen, imod, int(inst.field(old, 20, 2)), int(inst.field(old + 1, 20, 2)), outIbag, outIgen,
                       outImod, SampleGenerator, newSample, samples))
            return {};
    }
    // A stereo sample brings its other half.
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const int old = samples[i];
        if (old + 1 >= shdr.count())
            return {};
        const int type = int(shdr.field(old, 44, 2));
        if (type & 0x8000)
            return {};  // ROM samples are not in the file
        if (type != 1)
            renumber(newSample, samples, int(shdr.field(old, 42, 2)));
    }

    QByteArray outSmpl, outSm24;
    for (const int old : samples) {
        const std::uint32_t start = shdr.field(old, 20, 4), end = shdr.field(old, 24, 4);
        if (start > end || qsizetype(end) * 2 > smpl.size())
            return {};
        const std::int64_t shift = std::int64_t(outSmpl.size() / 2) - std::int64_t(start);
        char record[46];
        std::memcpy(record, shdr.at(old), 46);
        for (int offset : {20, 24, 28, 32})
            setLe(record + offset, 4, std::uint32_t(std::max<std::int64_t>(0, le(record + offset, 4) + shift)));
        if (int(shdr.field(old, 44, 2)) != 1)
            setLe(record + 42, 2, std::uint32_t(newSample.at(int(shdr.field(old, 42, 2)))));
        appendRecord(outShdr, record);
        outSmpl.append(smpl.mid(qsizetype(start) * 2, qsizetype(end - start) * 2)).append(SamplePadding * 2, '\0');
        if (!sm24.isEmpty())
            outSm24.append(sm24.mid(start, end - start)).append(SamplePadding, '\0');
    }

    // The terminal records: the last entry of each table, pointing past the copied ones.
    auto terminal = [](Table &out, const Table &in, int offset, int size, int value) {
        QByteArray record(in.at(in.count() - 1), in.recordSize);
        if (size)
            setLe(record.data() + offset, size, std::uint32_t(value));
        appendRecord(out, record.constData());
    };
    terminal(outPhdr, phdr, 24, 2, outPbag.count());
    {
        char record[4];
        setLe(record, 2, std::uint32_t(outPgen.count()));
        setLe(record + 2, 2, std::uint32_t(outPmod.count()));
        appendRecord(outPbag, record);
        setLe(record, 2, std::uint32_t(outIgen.count()));
        setLe(record + 2, 2, std::uint32_t(outImod.count()));
        appendRecord(outIbag, record);
    }
    terminal(outPmod, pmod, 0, 0, 0);
    terminal(outPgen, pgen, 0, 0, 0);
    terminal(outInst, inst, 20, 2, outIbag.count() - 1);
    terminal(outImod, imod, 0, 0, 0);
    terminal(outIgen, igen, 0, 0, 0);
    terminal(outShdr, shdr, 0, 0, 0);

    QByteArray sdtaBody("sdta");
    appendChunk(sdtaBody, "smpl", outSmpl);
    if (!sm24.isEmpty())
        appendChunk(sdtaBody, "sm24", outSm24);
    QByteArray pdtaBody("pdta");
    const std::pair<const char *, const Table *> order[] = {{"phdr", &outPhdr}, {"pbag", &outPbag}, {"pmod", &outPmod},
                                                            {"pgen", &outPgen}, {"inst", &outInst}, {"ibag", &outIbag},
                                                            {"imod", &outImod}, {"igen", &outIgen}, {"shdr", &outShdr}};
    for (const auto &[id, table] : order)
        appendChunk(pdtaBody, id, table->bytes);
    QByteArray body("sfbk");
    appendChunk(body, "LIST", info);
    appendChunk(body, "LIST", sdtaBody);
    appendChunk(body, "LIST", pdtaBody);
    QByteArray out;
    appendChunk(out, "RIFF", body);
    return out;
}

} // namespace art
