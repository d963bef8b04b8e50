// The scripts the client runs in pages. Each is a .js file among the UI library's
// resources (src/ui/scripts), whose top comment says what it does and in which world it
// runs; this class reads them.
#pragma once

#include <QString>

namespace lorvex {

enum class PageScript {
    NoScroll,         // no_scroll.js: the main view's document without scroll bars
    WrittenPage,      // written_page.js: a written page's rows shown while it is parsed
    PageDialogs,      // page_dialogs.js: alert, confirm and prompt routed to the client
    FirstPaint,       // first_paint.js: when the page first painted, for the start-up trace
    DocumentCreated,  // document_created.js: the main frame's new document, on the console
    Players,          // players.js: the page's Windows Media and RealPlayer elements, and
                      // where they are, for the client's players (after qwebchannel.js)
    PlayerNames,      // player_names.js: the names the page's scripts drive players by
    PageMedia,        // page_media.js: the page's HTML5 media for the desktop's media
                      // controls (after players.js, over its channel)
};

class PageScripts {
  public:
    // The script's source, read from the resources once.
    static const QString& Source(PageScript script);
};

}  // namespace lorvex
