#pragma once
// The configuration table: every network endpoint, account identifier and
// key the program uses. The program object holds one; production takes the
// compiled-in defaults, tests and the demo hand in their own (pointing at
// the fixture site). Hosts are written as "http://host" (scheme and host,
// no trailing slash) where the program builds addresses from them, and as a
// bare host name where it sends one in a header.
#include <string>

namespace app {

struct Configuration {
    // The remote note: "http://host/u/<user id>/NoteContent/<note id>".
    std::string NoteUrl;

    // The hosted space.
    std::string BoardHomeUrl;  // its home page; also the Referer of the update download
    std::string BoardDomain;   // the service's domain, with a leading dot
    std::string FolderId;      // the release folder of the file area
    std::string BoardUser;     // the space's user name (captcha address)

    // The usage beacon.
    std::string BeaconHost;    // bare host name of the counting server
    std::string BeaconSiteId;  // the maintainer's site id there

    // Player snippets and external pages.
    std::string ShellHostA;     // movie host of the player-shell site
    std::string ShellHostB;     // main host of the player-shell site
    std::string QPlayerHost;    // source 爱奇艺's main web host
    std::string SVideoHost;     // source 搜狐's video host
    std::string CoverPageHost;  // external site of the starred 日语 episodes
    std::string FilmPageHost;   // external film site

    // Source 搜狐's video-info query.
    std::string SVideoInfoHost;
    std::string VideoInfoClientId;  // 20 decimal digits

    // The preview site.
    std::string ShowPageHost;
    std::string SheetHost;

    // The trailer's 搜狐 play id (8 decimal digits).
    std::string TrailerPlayId;
};

// The compiled-in defaults. They name fictional hosts of the project's own;
// a build may replace them.
Configuration DefaultConfiguration();

}  // namespace app
