#include "space/hosted_space.h"

#include "net/web_page.h"
#include "toolkit/text.h"

namespace space {

BoardFrame DiscoverBoard(const app::Configuration& config) {
    const std::string home = net::AccessWebPageText(config.BoardHomeUrl);
    BoardFrame found;
    found.frame = TextBetween(home, "frxcx\" src=\"", "\"");
    found.pageKey = TextAfterLast(found.frame, "Ccenter.aspx?z=");
    found.subHost = TextBetween(found.frame, "http://", config.BoardDomain);
    return found;
}

std::string ContentCentreUrl(const app::Configuration& config, std::string_view subHost,
                             std::string_view pageKey) {
    return "http://" + std::string(subHost) + config.BoardDomain +
           "/Ccenter.aspx?z=" + std::string(pageKey);
}

void FindDownloadLink(const app::Configuration& config, BoardState& state,
                      std::string_view version) {
    const BoardFrame board = DiscoverBoard(config);
    state.BoardSubHost = board.subHost;
    const std::string centre = ContentCentreUrl(config, board.subHost, board.pageKey);

    net::CookieJar cookies;
    net::AccessWebPage(centre, {.responseCookies = &cookies});
    const std::string listing = net::AccessWebPageText(
        centre, {.method = 1,
                 .formData = "Yz0=dq&Yz1=" + config.FolderId + "&Yz2=&Yz3=&Yz4=",
                 .cookieJar = &cookies});

    for (const std::string& item : ItemsBetween(listing, "<li>", "</li>")) {
        if (TextBetween(item, "<font>", "</font>") == version) {
            state.DownloadLink = TextBetween(item, "/note/fd.htm?", "'");
            return;
        }
    }
}

}  // namespace space
