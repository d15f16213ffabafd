#include "sim/SimController.h"

#include <algorithm>
#include <chrono>
#include <iterator>

namespace sim {

namespace {

struct CommandShape {
    uint8_t Code;
    uint8_t Request; // whole request length
    uint8_t Answer;  // whole answer length
};

// Every controller command with its request and answer length.
constexpr CommandShape kShapes[] = {
    {0x01, 4, 4},  {0x02, 4, 22}, {0x53, 4, 4},  {0x3F, 4, 4},  {0x3D, 7, 4},
    {0x3E, 7, 4},  {0x05, 4, 27}, {0x06, 4, 19}, {0x0B, 4, 52}, {0x22, 4, 4},
    {0x21, 4, 13}, {0x50, 4, 5},  {0x64, 4, 14}, {0x3A, 4, 4},  {0x3B, 4, 6},
    {0x07, 4, 5},  {0x08, 5, 4},  {0x51, 4, 6},  {0x52, 6, 4},  {0x40, 4, 5},
    {0x12, 4, 6},  {0x16, 6, 4},  {0x31, 5, 7},  {0x32, 7, 5},  {0x33, 5, 6},
    {0x34, 6, 5},  {0x03, 4, 8},  {0x04, 8, 4},  {0xD8, 4, 28}, {0xD9, 28, 4},
    {0x10, 4, 23}, {0xD0, 4, 23}, {0xD1, 23, 4}, {0x97, 4, 23}, {0x98, 23, 4},
    {0xD2, 4, 23}, {0xD3, 23, 4}, {0xDB, 4, 23}, {0xDA, 23, 4}, {0xD4, 4, 43},
    {0xD5, 44, 4}, {0x95, 4, 43}, {0x96, 44, 4}, {0xDC, 4, 9},  {0xDD, 4, 9},
    {0xDF, 6, 4},  {0xDE, 4, 4},  {0x60, 4, 33}, {0x61, 4, 54}, {0x62, 54, 4},
    {0xC0, 4, 11}, {0xC1, 11, 4}, {0x13, 4, 19}, {0x14, 4, 4},  {0x58, 4, 24},
    {0x54, 4, 44}, {0x55, 11, 4}, {0x56, 4, 6},  {0x57, 6, 4},  {0x20, 4, 4},
    {0x35, 4, 7},  {0x36, 4, 7},  {0x37, 8, 4},  {0x38, 8, 4},  {0x18, 4, 4},
    {0x39, 4, 4},  {0x92, 4, 4},  {0x90, 4, 35}, {0x91, 4, 22}, {0x93, 4, 11},
    {0x94, 11, 4}, {0x15, 15, 4}, {0x17, 4, 15}, {0xD6, 4, 35}, {0xD7, 4, 35},
};

const CommandShape *shapeOf(uint8_t command)
{
    for (const auto &s : kShapes)
        if (s.Code == command)
            return &s;
    return nullptr;
}

// Commands whose answer is a fixed payload kept in State.Payload, with the
// write command that replaces it (0 = read only) and the payload offset in
// the write request.
struct FixedBlock {
    uint8_t Read;
    uint8_t Write;
};
constexpr FixedBlock kFixed[] = {
    {0x02, 0}, {0x05, 0}, {0x06, 0}, {0x0B, 0}, {0x21, 0}, {0x22, 0}, {0x50, 0},
    {0x64, 0}, {0x3A, 0}, {0x03, 0x04}, {0xD8, 0xD9}, {0x10, 0}, {0xD0, 0xD1},
    {0x97, 0x98}, {0xD2, 0xD3}, {0xDB, 0xDA}, {0x60, 0}, {0xC0, 0xC1}, {0x13, 0},
    {0x54, 0}, {0x56, 0x57}, {0x35, 0x37}, {0x36, 0x38}, {0x90, 0}, {0x91, 0},
    {0x93, 0x94}, {0x17, 0x15},
};

uint16_t word(const Bytes &r, size_t at) { return static_cast<uint16_t>(r[at] << 8 | r[at + 1]); }

// Where a kind-48 controller's 0xD8 block holds a single parameter: 8-bit
// id -> byte of the block, first bit, bit count (8: the whole byte), and
// 16-bit id -> first byte of its word.
struct TBlockPlace {
    uint8_t Id;
    size_t At;
    int Shift, Width;
};
constexpr TBlockPlace kBlockBytes[] = {
    {1, 2, 0, 3},  {5, 2, 3, 1},  {6, 2, 7, 1},  {7, 2, 4, 1},  {8, 2, 5, 1},  {20, 2, 6, 1}, {16, 3, 0, 1},
    {17, 3, 1, 1}, {18, 3, 2, 1}, {21, 3, 3, 1}, {27, 3, 7, 1}, {2, 7, 0, 8},  {12, 14, 0, 8},
    {11, 15, 0, 8}, {10, 16, 0, 8}, {3, 21, 0, 8}, {4, 22, 0, 8}, {23, 23, 0, 8}, {28, 24, 0, 8}};
constexpr std::pair<uint8_t, size_t> kBlockWords[] = {{7, 8}, {6, 10}, {8, 12}, {9, 17}, {10, 19}};

std::string hex2(uint8_t v)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[v >> 4], digits[v & 15]};
}

} // namespace

bool SimController::WritesSettings(uint8_t kind, const Bytes &r)
{
    static constexpr uint8_t writes[] = {0x08, 0x52, 0x16, 0x04, 0xD9, 0xD5, 0x96, 0x62, 0xDF, 0x32, 0x34};
    const bool write = r.size() > 1
                       && (std::find(std::begin(writes), std::end(writes), r[1]) != std::end(writes)
                           || std::any_of(std::begin(kFixed), std::end(kFixed), [&r](const FixedBlock &f) { return f.Write == r[1]; }));
    return write && !SettingsOf(kind, r).empty();
}

std::vector<std::string> SimController::SettingsOf(uint8_t kind, const Bytes &r)
{
    if (r.size() < 3 || r[0] != 0xC0)
        return {};
    const uint8_t cmd = r[1];
    const auto id = [&r](const char *prefix) { return std::string(prefix) + "/" + std::to_string(r[2]); };
    switch (cmd) {
    case 0x07:
    case 0x08:
        return {id("8")};
    case 0x51:
    case 0x52:
        return {id("16")};
    case 0x12:
    case 0x16:
        return {id("model")};
    case 0x10: {
        std::vector<std::string> out;
        for (int i = 1; i <= 10; ++i)
            out.push_back("model/" + std::to_string(i));
        return out;
    }
    case 0x03:
    case 0x04:
        return {"base"};
    case 0xD8:
    case 0xD9: {
        std::vector<std::string> out{"base"};
        if (kind == 48) {
            for (const TBlockPlace &p : kBlockBytes)
                out.push_back("8/" + std::to_string(p.Id));
            for (const auto &w : kBlockWords)
                out.push_back("16/" + std::to_string(w.first));
        }
        return out;
    }
    case 0x31:
    case 0x32:
    case 0x33:
    case 0x34: {
        // Indexes 198 on are the recorded points and their counts.
        const uint16_t index = word(r, 2);
        if (index >= 198)
            return {};
        return {(cmd <= 0x32 ? "word/" : "counter/") + std::to_string(index)};
    }
    default:
        // Pages and rows by number (0xDF writes word 0 of a row).
        for (const FixedBlock &f : {FixedBlock{0xD4, 0xD5}, {0x95, 0x96}, {0x61, 0x62}, {0xDC, 0xDF}})
            if (cmd == f.Read || cmd == f.Write)
                return {hex2(f.Read) + "/" + std::to_string(r[2])};
        for (const auto &f : kFixed)
            if (f.Write != 0 && (cmd == f.Read || cmd == f.Write))
                return {"block/" + hex2(f.Read)};
        return {};
    }
}

SimController::SimController(uint8_t kind, char version)
{
    State.Kind = kind;
    State.Pages[0] = static_cast<uint8_t>(version);
    for (const auto &f : kFixed)
        State.Payload[f.Read] = Bytes(AnswerLength(f.Read) - 3, 0);
    // A plausible identity: build time and date texts.
    const std::string stamp = "12:34:5607-12-2026";
    std::copy(stamp.begin(), stamp.end(), State.Payload[0x02].begin());
    FactoryImage(State);
}

void SimController::FactoryImage(SimControllerState &s)
{
    // Kinds 20 and 21 keep these settings as single parameters; kind 48 in
    // its 0xD8 block (answer bytes 12-13 the power, 18 the nozzle, 21-22 the
    // post-valve delay, 23 the low-pressure delay, 24 its threshold, 25 the
    // micro-injection time, 26 the pressure sensor) and its return-to-petrol
    // RPM thresholds and gas-injection time limits as 16-bit parameters.
    if (s.Kind != 48) {
        const std::pair<int, int> p8[] = {{3, 5}, {4, 38}, {10, 20}, {23, 131}, {28, 2}};
        for (auto [id, v] : p8)
            s.Param8[size_t(id)] = uint8_t(v);
        s.Param16[6] = 66;
        s.Param16[10] = 1000;
        return;
    }
    Bytes &d8 = s.Payload[0xD8];
    const std::pair<int, int> bytes[] = {{12, 0},  {13, 66}, {18, 20}, {21, 0x03}, {22, 0xE8},
                                         {23, 4},  {24, 47}, {25, 131}, {26, 3}};
    for (auto [at, v] : bytes)
        d8[size_t(at - 2)] = uint8_t(v);
    s.Param16[11] = 400;
    s.Param16[12] = 8000;
    s.Param16[20] = 374;
    s.Param16[21] = 3740;
}

void SimController::ConfiguredKind21(SimControllerState &s)
{
    s.Value16[28] = 2;
    s.Payload[0x03] = {100, 0x21, 0xB4, 0xAB, 31};
    const std::pair<int, int> p8[] = {{2, 21}, {8, 1},  {12, 1},  {11, 2},   {10, 38}, {3, 5},  {4, 76},
                                      {7, 0},  {16, 1}, {17, 1},  {23, 131}, {18, 0},  {21, 1}, {27, 1},
                                      {1, 2},  {28, 2}};
    for (auto [id, v] : p8)
        s.Param8[size_t(id)] = uint8_t(v);
    const std::pair<int, int> p16[] = {{7, 1598}, {6, 85}, {8, 468}, {9, 500}, {10, 25000}};
    for (auto [id, v] : p16)
        s.Param16[size_t(id)] = uint16_t(v);
    s.Payload[0x35] = {181, 131, 91, 36};
    s.Payload[0x36] = {22, 48, 62, 73};
    // The model: factor 1.2509765625, offset 100/187 ms, thresholds 6, 11,
    // 16, 19 ms, enrichments 25, 0, -25, 50 %, correction 0.7509765625 and
    // -1 ms, mask 0xA5; ids 1..10 also in the factor block.
    const uint16_t model[] = {1281, 100, 6 * 187, 11 * 187, 16 * 187, 19 * 187, 5120, 4096, 3072, 6144,
                              769, uint16_t(-187), 0xA5};
    s.Payload[0x10].assign(20, 0);
    for (int id = 1; id <= 13; ++id) {
        s.Model[size_t(id)] = model[id - 1];
        if (id <= 10) {
            s.Payload[0x10][size_t(2 * id - 2)] = uint8_t(model[id - 1] >> 8);
            s.Payload[0x10][size_t(2 * id - 1)] = uint8_t(model[id - 1]);
        }
    }
}

void SimController::SetConfigurationLimits()
{
    // What the device holds, not what the program's lists offer: a code
    // parameter takes any byte, a flag 0 or 1, the lambda type four bits.
    // Ids 5, 20 and 29 hold their flag in bit 0 of a whole byte.
    auto &st = State;
    st.Limits8 = {{1, {0, 15}},  {7, {0, 1}},   {8, {0, 1}},   {16, {0, 1}},
                  {17, {0, 1}},  {18, {0, 1}},  {21, {0, 1}},  {27, {0, 1}},
                  {28, {1, 2}},  {30, {0, 1}}};
    // A kind-20 device holds a pressure sensor only in hardware variants 0
    // to 2 (identity page 1); the others take no write of it.
    if (st.Kind == 20 && st.Pages[1] > 2)
        st.Limits8[28] = {1, 0};
    // Capacity 0 is the factory value (engine not entered yet).
    st.Limits16 = {{6, {1, 999}}, {7, {0, 9999}}, {8, {0, 65450}}};
    const uint16_t outputs = st.Value16[28];
    st.AcceptedMasks = outputs >= 3 ? std::vector<uint8_t>{7, 15, 31, 63, 255}
                       : outputs == 2 ? std::vector<uint8_t>{7, 15, 31, 63}
                                      : std::vector<uint8_t>{7, 15};
}

void SimController::SetKind48Limits()
{
    // As for kinds 20 and 21: the widths of what the device holds (the
    // block's lambda type has three bits, its level sensor two).
    auto &st = State;
    st.Limits8 = {{1, {0, 7}}, {33, {0, 3}}};
    st.Limits16 = {{6, {1, 999}}, {7, {0, 9999}}};
}

void SimController::OutsideLists(SimControllerState &s)
{
    if (s.Kind != 48) {
        const std::pair<int, int> p8[] = {{4, 5}, {10, 3}, {3, 60}, {23, 14}, {11, 7}, {12, 5}, {1, 9}, {2, 40}};
        for (auto [id, v] : p8)
            s.Param8[size_t(id)] = uint8_t(v);
        s.Param16[9] = 3000;
        s.Param16[10] = 7;
        return;
    }
    Bytes &d8 = s.Payload[0xD8];
    const std::pair<int, int> bytes[] = {{9, 200}, {16, 5}, {17, 7}, {18, 3}, {19, 0x0B}, {20, 0xB8},
                                         {21, 0}, {22, 7}, {23, 60}, {24, 5}, {25, 14}, {26, 5}};
    for (auto [at, v] : bytes)
        d8[size_t(at - 2)] = uint8_t(v);
    const std::pair<int, int> p8[] = {{40, 9}, {39, 150}, {43, 150}, {29, 150}, {35, 3}};
    for (auto [id, v] : p8)
        s.Param8[size_t(id)] = uint8_t(v);
    s.Param16[11] = 300;
    s.Param16[12] = 9000;
    s.Param16[16] = 5;
    if (s.Pages[0] >= 'G') {
        s.Param16[20] = 100;
        s.Param16[21] = 5000;
    }
}

void SimController::OwnSettings(SimControllerState &s, bool highEnds)
{
    const bool h = highEnds;
    auto model = [&s](int id, uint16_t v) {
        s.Model[size_t(id)] = v;
        // Ids 1..10 are also the factor block.
        if (id >= 1 && id <= 10) {
            Bytes &factors = s.Payload[0x10];
            factors.resize(20, 0);
            factors[size_t(2 * id - 2)] = uint8_t(v >> 8);
            factors[size_t(2 * id - 1)] = uint8_t(v);
        }
    };
    // Factor and offset, the bank-2 correction and its mask: the ends of
    // their words (offsets signed).
    model(1, h ? 0xFFFF : 0);
    model(2, h ? 0x7FFF : 0x8000);
    model(11, h ? 0xFFFF : 0);
    model(12, h ? 0x7FFF : 0x8000);
    model(13, h ? 0xFF : 0);
    if (s.Kind != 48) {
        // Thresholds in whole milliseconds, enrichments in whole percent.
        for (int id = 3; id <= 6; ++id)
            model(id, h ? 350 * 187 : 0);
        for (int id = 7; id <= 10; ++id)
            model(id, h ? 0xFFFF : 0);
        // The flags a later file key holds, in bit 0 of bytes whose other
        // bits no key holds: petrol-injector plus control, external
        // emulator, start on gas.
        const std::pair<int, uint8_t> flags[] = {{5, h ? 0x61 : 0x80}, {20, h ? 0x23 : 0x82}, {29, h ? 0x45 : 0x84}};
        for (auto [id, v] : flags)
            s.Param8[size_t(id)] = v;
        return;
    }
    // Curves of their own, a signed byte's ends in their first points, and
    // every correction off.
    const uint8_t curves[] = {0xD0, 0xD2, 0xDB, 0x97};
    for (size_t c = 0; c < 4; ++c) {
        Bytes &p = s.Payload[curves[c]];
        p.assign(20, 0);
        for (size_t i = 0; i < 20; ++i)
            p[i] = uint8_t(int8_t(h ? 127 - int(3 * i + c) : -128 + int(3 * i + c)));
    }
    model(74, 0);
    model(83, h ? 0x7FFF : 0x8000);
    // Model 2 and the adaptation template: two rising curves apart from each
    // other, ten points used (the rest unused, 65535); the first point of the
    // low variant at 0.
    for (size_t page = 0; page < 2; ++page)
        for (size_t i = 0; i < 40; i += 4) {
            const int point = int(page) * 10 + int(i) / 4;
            for (auto *pages : {&s.MapD4, &s.Model2}) {
                const int lift = pages == &s.Model2 ? 90 : 0;
                const uint16_t x = point >= 10 ? 0xFFFF : uint16_t(point * 400 + (h ? 200 : 0));
                const uint16_t y = point >= 10 ? 0xFFFF : uint16_t(point == 0 && !h ? 0 : 300 + point * 500 + lift);
                (*pages)[page][i] = uint8_t(x >> 8);
                (*pages)[page][i + 1] = uint8_t(x);
                (*pages)[page][i + 2] = uint8_t(y >> 8);
                (*pages)[page][i + 3] = uint8_t(y);
            }
        }
    // The idle model's two points.
    s.Payload[0xC0].assign(8, h ? 0xFF : 0);
    // The idle RPM and manifold pressure, the working pressure, and the
    // settings later versions bring, each its own value.
    s.Param16[17] = h ? 0xFFFF : 0;
    s.Param8[47] = h ? 0xFF : 0;
    s.Param8[30] = h ? 0xFF : 0;
    // The two variants apart in each of them.
    const std::pair<int, int> p8[] = {{43, h ? 61 : 39}, {44, h ? 173 : 201}, {45, h ? 4 : 1},
                                      {46, h ? 3 : 0},   {49, h ? 0xEE : 0x21}, {53, h ? 137 : 21}};
    for (auto [id, v] : p8)
        s.Param8[size_t(id)] = uint8_t(v);
    const std::pair<int, int> p16[] = {{18, h ? 3100 : 1200}, {19, h ? 1011 : 400}, {20, h ? 522 : 1500},
                                       {21, h ? 4301 : 2900}, {22, h ? 2990 : 1000}, {24, h ? 1500 : 300},
                                       {25, h ? 4500 : 700}};
    for (auto [id, v] : p16)
        s.Param16[size_t(id)] = uint16_t(v);
    s.Param8[52] = h ? 0xFF : 0;
    s.Param8[31] = h ? 0xFF : 0;
    // Bytes whose bits no key or control holds hold some of them: bits 1
    // and 7 of the extended options (every flag set in the high variant;
    // below "C" the device has none of the flags but the idle model's),
    // bit 2 of the cut-off flags, "load from Pcol" of the adaptation flags.
    s.Param8[37] = s.Pages[0] < 'C' ? (h ? 0x83 : 0x02) : h ? 0xFF : 0x02;
    s.Param8[50] = h ? 0xFE : 0x05;
    model(104, h ? 0xFB : 0x04);
    // The gas injector corrections and the map rows (word 1 without its
    // gap flag), each its own.
    Bytes &injectors = s.Payload[0x93];
    injectors.assign(8, 0);
    for (size_t i = 0; i < 8; ++i)
        injectors[i] = uint8_t(int8_t(h ? 20 + int(i) : -30 - int(i)));
    for (size_t row = 0; row < s.RowsDC.size(); ++row) {
        const uint16_t words[] = {uint16_t((h ? 9000 : 3000) + row * 7), uint16_t((h ? 700 : 200) + row), 50};
        for (size_t w = 0; w < 3; ++w) {
            s.RowsDC[row][2 * w] = uint8_t(words[w] >> 8);
            s.RowsDC[row][2 * w + 1] = uint8_t(words[w]);
        }
    }
    // The adaptation banks at a signed byte's ends.
    for (auto &bank : s.AdaptBanks)
        bank.fill(h ? 0x7F : 0x80);
}

bool SimController::Kind48BlockHolds(int width, uint8_t id)
{
    if (width == 16)
        return std::any_of(std::begin(kBlockWords), std::end(kBlockWords), [id](const auto &w) { return w.first == id; });
    return std::any_of(std::begin(kBlockBytes), std::end(kBlockBytes), [id](const TBlockPlace &p) { return p.Id == id; });
}

size_t SimController::RequestLength(uint8_t command)
{
    const auto *s = shapeOf(command);
    return s ? s->Request : 0;
}

size_t SimController::AnswerLength(uint8_t command)
{
    const auto *s = shapeOf(command);
    return s ? s->Answer : 0;
}

double SimController::WireSeconds(const std::vector<Bytes> &requests)
{
    size_t bytes = 0;
    for (const auto &r : requests)
        bytes += r.size() + (r.size() > 1 ? AnswerLength(r[1]) : 0);
    return std::chrono::duration<double>(kByteTime9600 * static_cast<long>(bytes)).count();
}

uint8_t SimController::Sum(const uint8_t *data, size_t count)
{
    unsigned sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += data[i];
    return static_cast<uint8_t>(sum);
}

Bytes SimController::Frame(uint8_t head, const Bytes &body)
{
    Bytes f;
    f.reserve(body.size() + 2);
    f.push_back(head);
    f.insert(f.end(), body.begin(), body.end());
    f.push_back(Sum(f.data(), f.size()));
    return f;
}

Bytes SimController::Answer(uint8_t command, const Bytes &payload) const
{
    Bytes body{command};
    body.insert(body.end(), payload.begin(), payload.end());
    // Keep the fixed length whatever the payload (pad or cut).
    body.resize(AnswerLength(command) - 2, 0);
    return Frame(0xD0, body);
}

Bytes SimController::Ack(uint8_t command, size_t length) const
{
    Bytes body{command};
    body.resize(length - 2, 0);
    return Frame(0xD0, body);
}

Handler SimController::MakeHandler()
{
    Handler h;
    h.name = "controller";
    h.header = 0xC0;
    h.frameLength = [](const Bytes &soFar) {
        if (soFar.size() < 2)
            return FrameLength::needMore();
        const size_t len = RequestLength(soFar[1]);
        return len ? FrameLength::complete(len) : FrameLength::notMine();
    };
    h.answer = [this](const Bytes &frame) { return Handle(frame); };
    return h;
}

void SimController::MirrorKind48Block(const Bytes &r)
{
    Bytes &p = State.Payload[0xD8];
    auto bits = [&p](size_t at, int shift, int width, uint8_t v) {
        const uint8_t mask = uint8_t(((1 << width) - 1) << shift);
        p[at] = uint8_t((p[at] & ~mask) | ((v << shift) & mask));
    };
    auto put16 = [&p](size_t at, uint16_t v) {
        p[at] = uint8_t(v >> 8);
        p[at + 1] = uint8_t(v);
    };
    if (r[1] == 0x04) {
        p[4] = r[2];
        p[5] = r[3];
        p[6] = r[4];
        p[0] = r[5];
        p[1] = r[6];
        return;
    }
    const uint8_t id = r[2];
    if (r[1] == 0x52) {
        const uint16_t v = word(r, 3);
        for (auto [param, at] : kBlockWords)
            if (id == param)
                put16(at, v);
        return;
    }
    const uint8_t v = r[3];
    for (const TBlockPlace &place : kBlockBytes)
        if (place.Id == id)
            bits(place.At, place.Shift, place.Width, v);
}

void SimController::StepInjectorTest()
{
    auto &st = State;
    std::vector<uint8_t> cylinders;
    for (uint8_t i = 0; i < 8; ++i)
        if (st.InjTestMask & (1u << i))
            cylinders.push_back(i);
    Bytes &times = st.Payload[0x91];
    if (st.InjTestStep < int(cylinders.size()) || st.InjTestEndless) {
        if (!cylinders.empty())
            times[18] = cylinders[size_t(st.InjTestStep) % cylinders.size()];
        ++st.InjTestStep;
        st.Value16[36] = uint16_t(cylinders.empty() ? 0 : std::min(99, st.InjTestStep * 100 / int(cylinders.size() + 1)));
        return;
    }
    Bytes &counts = st.Payload[0x90];
    for (size_t i = 0; i < 8; ++i) {
        times[2 * i] = uint8_t(st.InjTestResultTimes[i] >> 8);
        times[2 * i + 1] = uint8_t(st.InjTestResultTimes[i]);
        for (size_t b = 0; b < 4; ++b)
            counts[4 * i + b] = uint8_t(st.InjTestResultCounts[i] >> (8 * (3 - b)));
    }
    times[16] = 1;
    st.Value16[36] = 100;
    st.Pages[5] = 0;
}

Bytes SimController::Handle(const Bytes &r)
{
    if (r.size() < 4 || r[0] != 0xC0 || r.size() != RequestLength(r[1]))
        return {};
    if (Sum(r.data(), r.size() - 1) != r.back())
        return {};
    const uint8_t cmd = r[1];
    auto &st = State;
    if (st.Silent)
        return {};
    // A locked device answers identification and the lock commands only.
    if (st.LockState != kSimReadyState && cmd != 0x01 && cmd != 0x02 && cmd != 0x53 && cmd != 0x3F
        && cmd != 0x3D && cmd != 0x3E)
        return {};
    auto within = [](const std::map<uint8_t, std::pair<uint16_t, uint16_t>> &limits, uint8_t id,
                     uint16_t value) {
        const auto it = limits.find(id);
        return it == limits.end() || (value >= it->second.first && value <= it->second.second);
    };
    if (cmd == 0x08 && !within(st.Limits8, r[2], r[3]))
        return {};
    if (cmd == 0x52 && !within(st.Limits16, r[2], word(r, 3)))
        return {};
    if (cmd == 0x04 && !st.AcceptedMasks.empty()
        && std::find(st.AcceptedMasks.begin(), st.AcceptedMasks.end(), r[6]) == st.AcceptedMasks.end())
        return {};

    if (cmd == 0x21 && st.AutoCalRunning && !st.AutoCalScript.empty()) {
        // The status answer: state in the low nibble of its first byte,
        // phase and progress in its eighth and ninth.
        const auto &step = st.AutoCalScript[std::min(st.AutoCalAt, st.AutoCalScript.size() - 1)];
        if (st.AutoCalAt < st.AutoCalScript.size())
            ++st.AutoCalAt;
        Bytes &p = st.Payload[0x21];
        p[0] = uint8_t((p[0] & 0xF0) | (step.State & 0x0F));
        p[7] = step.Phase;
        p[8] = step.Progress;
    }
    // A kind-48 controller keeps its base configuration in one place: the
    // 0xD8 block shows what the base block and the single writes stored.
    if (st.Kind == 48 && (cmd == 0x04 || cmd == 0x08 || cmd == 0x52))
        MirrorKind48Block(r);

    if (cmd == 0x21 && !st.RunStates.empty() && (st.WorkType == 3 || st.WorkType == 6 || st.WorkType == 7)) {
        Bytes &p = st.Payload[0x21];
        const uint8_t state = st.RunStates[std::min(st.RunStatesAt, st.RunStates.size() - 1)];
        ++st.RunStatesAt;
        p[0] = uint8_t((p[0] & 0xF0) | (state & 0x0F));
        p[8] = uint8_t(std::min<size_t>(st.RunStatesAt, 255)); // progress
        return Answer(cmd, p);
    }
    if (cmd == 0x40 && r[2] == 35 && st.PressureBusyLeft != 0) {
        if (st.PressureBusyLeft > 0)
            --st.PressureBusyLeft;
        return Answer(cmd, {0, 1});
    }
    if (cmd == 0x91 && st.InjTestSimulated && st.Pages[5] == 2)
        StepInjectorTest();
    for (const auto &f : kFixed) {
        if (cmd == f.Read)
            return Answer(cmd, st.Payload[cmd]);
        if (f.Write != 0 && cmd == f.Write) {
            Bytes &p = st.Payload[f.Read];
            std::copy_n(r.begin() + 2, std::min(p.size(), r.size() - 3), p.begin());
            return Ack(cmd);
        }
    }

    switch (cmd) {
    case 0x01:
        return Answer(cmd, {st.Kind});
    case 0x53:
        return Answer(cmd, {r[2] < st.Pages.size() ? st.Pages[r[2]] : uint8_t(0)});
    case 0x3F:
        return Answer(cmd, {st.LockState});
    case 0x3D:
    case 0x3E: {
        const uint32_t pin = uint32_t(r[2]) | uint32_t(r[3]) << 8 | uint32_t(r[4]) << 16
                             | uint32_t(r[5]) << 24;
        if (cmd == 0x3D && st.LockState == kSimReadyState) {
            st.Pin = pin;
            st.LockState = kSimLockedState;
        } else if (cmd == 0x3E && pin == st.Pin) {
            st.LockState = kSimReadyState;
        }
        return Answer(cmd, {st.LockState});
    }
    case 0x3B: {
        const uint16_t v = st.InjCounters[r[2]];
        return Answer(cmd, {r[2], uint8_t(v >> 8), uint8_t(v)});
    }
    case 0x07:
        return Answer(cmd, {r[2], st.Param8[r[2]]});
    case 0x08:
        st.Param8[r[2]] = r[3];
        return Ack(cmd);
    case 0x51:
        return Answer(cmd, {r[2], uint8_t(st.Param16[r[2]] >> 8), uint8_t(st.Param16[r[2]])});
    case 0x52:
        st.Param16[r[2]] = word(r, 3);
        return Ack(cmd);
    case 0x40:
        return Answer(cmd, {uint8_t(st.Value16[r[2]] >> 8), uint8_t(st.Value16[r[2]])});
    case 0x12:
        return Answer(cmd, {r[2], uint8_t(st.Model[r[2]] >> 8), uint8_t(st.Model[r[2]])});
    case 0x16:
        st.Model[r[2]] = word(r, 3);
        // Parameters 1..10 are the model factors that 0x10 reads as a block.
        if (r[2] >= 1 && r[2] <= 10) {
            Bytes &factors = st.Payload[0x10];
            factors[2 * (r[2] - 1)] = r[3];
            factors[2 * (r[2] - 1) + 1] = r[4];
        }
        return Ack(cmd);
    case 0x31: {
        const uint16_t index = word(r, 2);
        uint16_t v = 0;
        if (index == 198)
            v = uint16_t(st.RecordingCount1 << 8 | st.RecordingCount2);
        else if (index >= 200 && index < 456 && index % 2 == 0)
            v = st.Recording1[(index - 200) / 2];
        else if (index >= 456 && index < 712 && index % 2 == 0)
            v = st.Recording2[(index - 456) / 2];
        else if (auto it = st.Words.find(index); it != st.Words.end())
            v = it->second;
        return Answer(cmd, {r[2], r[3], uint8_t(v >> 8), uint8_t(v)});
    }
    case 0x32: {
        // Recorded points live at the even indexes 200..710.
        const uint16_t index = word(r, 2);
        if (index >= 200 && index < 456 && index % 2 == 0)
            st.Recording1[(index - 200) / 2] = word(r, 4);
        else if (index >= 456 && index < 712 && index % 2 == 0)
            st.Recording2[(index - 456) / 2] = word(r, 4);
        else
            st.Words[index] = word(r, 4);
        return Ack(cmd, 5);
    }
    case 0x33: {
        const uint16_t index = word(r, 2);
        uint8_t v = index == 198 ? st.RecordingCount1 : index == 199 ? st.RecordingCount2
                                                                     : st.Counters[index];
        return Answer(cmd, {r[2], r[3], v});
    }
    case 0x34: {
        const uint16_t index = word(r, 2);
        // A point count beyond the 128 slots of a table is refused.
        if ((index == 198 || index == 199) && r[4] > 128)
            return {};
        if (index == 198)
            st.RecordingCount1 = r[4];
        else if (index == 199)
            st.RecordingCount2 = r[4];
        else
            st.Counters[index] = r[4];
        return Ack(cmd, 5);
    }
    case 0xD4:
    case 0x95: {
        auto &pages = cmd == 0xD4 ? st.MapD4 : st.Model2;
        if (r[2] > 1)
            return Answer(cmd, {});
        return Answer(cmd, Bytes(pages[r[2]].begin(), pages[r[2]].end()));
    }
    case 0xD5:
    case 0x96: {
        auto &pages = cmd == 0xD5 ? st.MapD4 : st.Model2;
        if (r[2] <= 1)
            std::copy_n(r.begin() + 3, 40, pages[r[2]].begin());
        return Ack(cmd);
    }
    case 0xDC:
    case 0xDD: {
        auto &rows = cmd == 0xDC ? st.RowsDC : st.RowsDD;
        if (r[2] >= rows.size())
            return Answer(cmd, {});
        return Answer(cmd, Bytes(rows[r[2]].begin(), rows[r[2]].end()));
    }
    case 0xDF:
        if (r[2] < st.RowsDC.size()) {
            st.RowsDC[r[2]][0] = r[3];
            st.RowsDC[r[2]][1] = r[4];
        }
        return Ack(cmd);
    case 0x61: {
        const int bank = r[2] >> 4, half = r[2] & 0x0F;
        if ((bank != 1 && bank != 2) || half > 1)
            return Answer(cmd, {r[2]});
        Bytes p{r[2]};
        const auto &b = st.AdaptBanks[bank - 1];
        p.insert(p.end(), b.begin() + half * 50, b.begin() + half * 50 + 50);
        return Answer(cmd, p);
    }
    case 0x62: {
        const int bank = r[2] >> 4, half = r[2] & 0x0F;
        if ((bank == 1 || bank == 2) && half <= 1)
            std::copy_n(r.begin() + 3, 50, st.AdaptBanks[bank - 1].begin() + half * 50);
        return Ack(cmd);
    }
    case 0x14:
        std::fill(st.Payload[0x13].begin(), st.Payload[0x13].end(), 0);
        return Ack(cmd);
    case 0x58: {
        Bytes p{st.DebugCount};
        if (r[2] < st.DebugRecords.size())
            p.insert(p.end(), st.DebugRecords[r[2]].begin(), st.DebugRecords[r[2]].end());
        return Answer(cmd, p);
    }
    case 0x55: {
        // The change history is a ring of five (code, date) pairs; the last
        // byte is the index of the newest. A new pair goes after the newest
        // (into slot 0 while the ring is empty) and becomes the newest.
        Bytes &p = st.Payload[0x54];
        const bool empty = std::all_of(p.begin(), p.begin() + 40, [](uint8_t b) { return b == 0; });
        const uint8_t slot = empty || p[40] > 4 ? 0 : uint8_t((p[40] + 1) % 5);
        std::copy_n(r.begin() + 2, 8, p.begin() + 8 * slot);
        p[40] = slot;
        return Ack(cmd);
    }
    case 0x20:
        st.WorkType = r[2];
        if (r[2] == 6 && !st.AutoCalScript.empty()) {
            st.AutoCalRunning = true;
            st.AutoCalAt = 0;
        } else if (r[2] == 0) {
            st.AutoCalRunning = false;
            st.Payload[0x21][0] &= 0xF0;
        }
        if (r[2] == 3 || r[2] == 6)
            st.RunStatesAt = 0;
        if (r[2] == 0 && !st.RunStates.empty()) // a run ended: the device is idle again
            st.Payload[0x21][0] = uint8_t(st.Payload[0x21][0] & 0xF0);
        if (r[2] == 9)
            st.PressureBusyLeft = st.PressureBusyReads;
        if (r[2] == 0 && st.InjTestSimulated && st.Pages[5] == 2)
            st.Pages[5] = 0;
        return Ack(cmd);
    case 0x92:
        if (st.InjTestRefused)
            return {};
        st.Actions.emplace_back(cmd, r[2]);
        if (!st.InjTestSimulated)
            return Ack(cmd);
        st.InjTestMask = r[2];
        st.InjTestStep = 0;
        st.Pages[5] = 2;
        st.Value16[36] = 0;
        st.Payload[0x91][16] = 0;
        st.Payload[0x91][18] = 0;
        return Ack(cmd);
    case 0x18:
    case 0x39:
    case 0xDE:
        st.Actions.emplace_back(cmd, r[2]);
        if (cmd == 0x39)
            st.Payload[0x3A][0] = r[2];
        if (cmd == 0xDE && r[2] == 1)
            st.RecordingCount1 = 0;
        if (cmd == 0xDE && r[2] == 2)
            st.RecordingCount2 = 0;
        // 3 and 4 clear the petrol and gas templates: no row stays valid.
        if (cmd == 0xDE && (r[2] == 3 || r[2] == 4))
            for (auto &row : r[2] == 3 ? st.RowsDC : st.RowsDD)
                row[0] &= 0x7F;
        return Ack(cmd);
    case 0xD6:
    case 0xD7: {
        const auto &rec = cmd == 0xD6 ? st.Recording1 : st.Recording2;
        Bytes p;
        for (size_t i = 0; i < 16; ++i) {
            const size_t at = size_t(r[2]) * 16 + i;
            const uint16_t w = at < rec.size() ? rec[at] : 0xFFFF;
            p.push_back(uint8_t(w >> 8));
            p.push_back(uint8_t(w));
        }
        return Answer(cmd, p);
    }
    default:
        return {};
    }
}

} // namespace sim
