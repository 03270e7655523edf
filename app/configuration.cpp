#include "app/configuration.h"

namespace app {

Configuration DefaultConfiguration() {
    Configuration c;
    c.NoteUrl = "http://note.verdel.example/u/51873/NoteContent/2904466";

    c.BoardHomeUrl = "http://verdel.board.example/";
    c.BoardDomain = ".board.example";
    c.FolderId = "1438920";
    c.BoardUser = "verdel";

    c.BeaconHost = "count.stats.example";
    c.BeaconSiteId = "60217";

    c.ShellHostA = "http://img.shell.example";
    c.ShellHostB = "http://www.shell.example";
    c.QPlayerHost = "http://www.qplayer.example";
    c.SVideoHost = "http://tv.svideo.example";
    c.CoverPageHost = "http://www.coverpage.example";
    c.FilmPageHost = "http://v.filmpage.example";

    c.SVideoInfoHost = "http://hot.vinfo.example";
    c.VideoInfoClientId = "13915467218530000117";

    c.ShowPageHost = "http://www.preview.example";
    c.SheetHost = "http://sheets.preview.example";

    c.TrailerPlayId = "83716245";
    return c;
}

}  // namespace app
