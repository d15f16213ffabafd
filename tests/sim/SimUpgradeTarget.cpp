#include "sim/SimUpgradeTarget.h"

#include "sim/SimAdapter.h"

namespace sim {

void SimUpgradeTarget::MakeController(SimUpgradeTarget &t)
{
    t.Boot.State.Major = 6;
    t.Boot.State.Minor = 7;
    t.Boot.State.TypeCode = 5;
    t.App = SimApplicationState();
}

void SimUpgradeTarget::MakeAdapter(SimUpgradeTarget &t)
{
    t.Boot.State.Major = 8;
    t.Boot.State.Minor = 0;
    t.Boot.State.TypeCode = 98;
    t.App = SimApplicationState();
    t.App.CommandHeader = 0xC2;
    t.App.ReplyHeader = 0xD2;
    t.App.Crc16 = true;
    t.App.VersionCommand = 0x03;
    t.App.IdentifyCommand = 0x04;
    t.App.Version = 0x20;
}

Bytes SimUpgradeTarget::HandleApplication(const Bytes &r)
{
    if (!App.Running)
        return {};
    if (App.Crc16) {
        const uint16_t crc = SimAdapter::Crc(r.data(), 3);
        if (r.size() != 5 || r[3] != uint8_t(crc >> 8) || r[4] != uint8_t(crc & 0xFF))
            return {};
    } else if (r.size() != 4 || r[3] != sum8(r, 3)) {
        return {};
    }
    Bytes body{App.ReplyHeader, r[1]};
    if (r[1] == 0xE2 && r[2] == 0x01) {
        // Answers, then resets into its bootloader; its firmware is whole, so
        // the stay flag is clear.
        ++App.Jumps;
        App.Running = false;
        Boot.State.Stay = 0;
        body.push_back(0);
    } else if (r[1] == App.StatusCommand) {
        body.push_back(App.Version);
    } else if (r[1] == App.VersionCommand) {
        body.push_back(uint8_t(App.Letter));
    } else if (r[1] == App.IdentifyCommand) {
        body.insert(body.end(), App.TextA.begin(), App.TextA.begin() + 8);
        body.insert(body.end(), App.TextB.begin(), App.TextB.begin() + 11);
    } else {
        return {};
    }
    body.push_back(sum8(body, body.size()));
    return body;
}

Bytes SimUpgradeTarget::HandleBootloader(const Bytes &request)
{
    if (App.Running)
        return {};
    Bytes answer = Boot.Handle(request);
    if (Boot.State.Exited) {
        Boot.State.Exited = false;
        // A bootloader keeping its stay flag ignores the exit.
        if (Boot.State.Stay == 0) {
            App.Running = true;
            ++ExitsTaken;
        }
    }
    return answer;
}

void SimUpgradeTarget::Install(SimServer &server)
{
    const size_t length = App.Crc16 ? 5 : 4;
    server.addHandler({"application", App.CommandHeader,
                       [length](const Bytes &) { return FrameLength::complete(length); },
                       [this](const Bytes &frame) { return HandleApplication(frame); }});
    server.addHandler({"bootloader", 0xBC,
                       [](const Bytes &soFar) {
                           if (soFar.size() < 2)
                               return FrameLength::needMore();
                           return FrameLength::complete(SimBootloader::RequestLength(soFar[1]));
                       },
                       [this](const Bytes &frame) { return HandleBootloader(frame); }});
}

} // namespace sim
