// applyCommandLine and autoLaunchMailer: keywords, the iEPG file, the positional form, the default.
#include "core/MainRoutine.h"

#include "core/CommandLine.h"
#include "core/IepgReader.h"
#include "platform/Codepage.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"

const char* const kRemoteKeyword = "?REMOTE";
const char* const kReservationListKeyword = "?RECLIST";

namespace {

constexpr size_t kPositionalArgumentCount = 7;
constexpr char kUnconvertible[] = "?";

// Bytes of the UTF-8 sequence a lead byte starts; a stray byte counts as one.
size_t utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

}  // namespace

std::string argumentToSjis(const std::string& utf8) {
    std::string sjis;
    if (utf8ToSjis(utf8, sjis)) return sjis;
    // Something has no Shift_JIS form: convert character by character and mark only those.
    sjis.clear();
    size_t i = 0;
    while (i < utf8.size()) {
        size_t length = utf8SequenceLength(static_cast<unsigned char>(utf8[i]));
        if (length > utf8.size() - i) length = utf8.size() - i;
        std::string one;
        sjis += utf8ToSjis(utf8.substr(i, length), one) ? one : std::string(kUnconvertible);
        i += length;
    }
    return sjis;
}

int autoLaunchMailer(const Reservation& reservation, const ConfigStore& config, const StartActions& actions) {
    if (reservation.channel == nullptr) return 0;
    if (config.getBootexec() != static_cast<int32_t>(BookingAction::LaunchMailer)) return 0;
    if (!actions.launchMailer) return 0;
    return actions.launchMailer(reservation);
}

bool applyCommandLine(const std::vector<std::string>& arguments, Reservation& reservation,
                      const ChannelTable& channels, const ConfigStore& config, const StartActions& actions) {
    if (arguments.size() == 1) {
        const std::string& argument = arguments.front();
        if (argument == kRemoteKeyword) {
            if (actions.openRemote) actions.openRemote();
            return true;
        }
        if (argument == kReservationListKeyword) {
            if (actions.openReservationList) actions.openReservationList();
            return true;
        }
        // The path stays UTF-8: the file layer opens UTF-8 paths.
        if (readIepgFile(argument, reservation, channels, config)) {
            return autoLaunchMailer(reservation, config, actions) != 0;
        }
        fillDefault(reservation, config);
        return false;
    }
    if (arguments.size() >= kPositionalArgumentCount) {
        // Station, title and detail are compared and sent as Shift_JIS; the numbers are ASCII either way.
        std::vector<std::string> converted;
        converted.reserve(arguments.size());
        for (const std::string& argument : arguments) converted.push_back(argumentToSjis(argument));
        fillFromArguments(converted, reservation, channels, config);
        return autoLaunchMailer(reservation, config, actions) != 0;
    }
    fillDefault(reservation, config);
    return false;
}
