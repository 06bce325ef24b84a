// The main routine's decisions before any main dialog: what the command line opens or launches.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/Reservation.h"

class ChannelTable;
class ConfigStore;

// The one-argument keywords, compared byte for byte (case matters).
extern const char* const kRemoteKeyword;           // "?REMOTE"
extern const char* const kReservationListKeyword;  // "?RECLIST"

// What the command line may start instead of the main dialog. The dialogs run modally without owner.
struct StartActions {
    std::function<void()> openRemote;
    std::function<void()> openReservationList;
    // Nonzero when the user's mail program was started with the reservation mail.
    std::function<int(const Reservation&)> launchMailer;
};

// A command-line argument (UTF-8) as Shift_JIS. A character without a Shift_JIS form becomes "?", so
// one odd character does not cost the whole title.
std::string argumentToSjis(const std::string& utf8);

// Launches the mailer for a reservation from the command line: only when it has a channel and the
// setting bootexec is LaunchMailer. The launch result (nonzero: launched), or 0 when not tried.
int autoLaunchMailer(const Reservation& reservation, const ConfigStore& config, const StartActions& actions);

// Acts on the arguments (UTF-8, as split from the command line): a keyword opens its dialog, one
// other argument is an iEPG file path, seven or more are the positional form, anything else gives
// the default reservation. True when the program must end now; false when the reservation has been
// filled for the main dialog.
bool applyCommandLine(const std::vector<std::string>& arguments, Reservation& reservation,
                      const ChannelTable& channels, const ConfigStore& config, const StartActions& actions);
