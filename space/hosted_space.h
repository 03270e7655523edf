#pragma once
// The maintainer's hosted space: the content centre behind the home page's
// frame, and the download address of a released version in its file area.
#include <string>
#include <string_view>

#include "app/configuration.h"

namespace space {

// What the home page's frame address tells.
struct BoardFrame {
    std::string frame;    // the content centre's frame address
    std::string subHost;  // the sub-server prefix in front of BoardDomain
    std::string pageKey;  // the content centre's page key
};

// The values discovered on the space, shared by the update check and the
// feedback window; empty until found.
struct BoardState {
    std::string BoardSubHost;
    std::string BoardPageKey;
    std::string DownloadLink;
};

// Reads the home page and takes its content-centre frame apart. An
// unreadable page gives empty values.
BoardFrame DiscoverBoard(const app::Configuration& config);

// "http://" + sub-server + BoardDomain + "/Ccenter.aspx?z=" + page key.
std::string ContentCentreUrl(const app::Configuration& config, std::string_view subHost,
                             std::string_view pageKey);

// Sets state.BoardSubHost and, when the release listing has an entry whose
// label equals version exactly, state.DownloadLink (the first such entry).
void FindDownloadLink(const app::Configuration& config, BoardState& state,
                      std::string_view version);

}  // namespace space
