// Pages of the demo portal. This is a development and test tool, not part of the client.
#include "PortalContent.h"

#include "PortalMedia.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cmath>
#include <cstdlib>

namespace lorvex::portal {

using namespace Qt::StringLiterals;

const QList<Song>& Songs() {
    static const QList<Song> table{
        {1024, u"海边的风"_s, u"林小雨"_s, u"wmv"_s, u"流行金曲"_s},
        {1025, u"夜空下的约定"_s, u"陈子航"_s, u"rm"_s, u"流行金曲"_s},
        {1026, u"城市的灯火"_s, u"王思语"_s, u"wmv"_s, u"流行金曲"_s},
        {1027, u"春日来信"_s, u"李青"_s, u"wmv"_s, u"流行金曲"_s},
        {1028, u"雨后彩虹"_s, u"林小雨"_s, u"rm"_s, u"流行金曲"_s},
        {1029, u"远方的路"_s, u"赵一鸣"_s, u"wmv"_s, u"流行金曲"_s},
        // Its GBK bytes (C4 AC, C3 A3) happen to be valid UTF-8 as well.
        {88, u"默默"_s, u"茫茫"_s, u"wmv"_s, u"流行金曲"_s},
        {1030, u"月光小夜曲"_s, u"孙晓梅"_s, u"rm"_s, u"经典怀旧"_s},
        {1031, u"青柠时光"_s, u"周若溪"_s, u"wmv"_s, u"经典怀旧"_s},
        {1032, u"风中的誓言"_s, u"何家明"_s, u"wmv"_s, u"经典怀旧"_s},
        {1033, u"回到老地方"_s, u"郑秋"_s, u"rm"_s, u"经典怀旧"_s},
        {1034, u"星河漫步"_s, u"许嘉"_s, u"wmv"_s, u"经典怀旧"_s},
        {1035, u"大海的歌声"_s, u"刘一帆"_s, u"rm"_s, u"经典怀旧"_s},
        {77, u"Blue Moon"_s, u"Ann"_s, u"wmv"_s, u"欧美精选"_s},
    };
    return table;
}

namespace {

const Song* FindSong(int id) {
    for (const Song& song : Songs()) {
        if (song.id == id) return &song;
    }
    return nullptr;
}

// --- Building blocks -------------------------------------------------------------------

QString Page(const QString& title, const QString& body) {
    // The single-pass arg() keeps a "%1" typed into a search box from being substituted.
    return QStringLiteral(
               "<!DOCTYPE html>\n<html><head>\n"
               "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">\n"
               "<title>%1</title>\n<link rel=\"stylesheet\" href=\"/33/mtv.css\">\n"
               "</head><body>\n%2</body></html>\n")
        .arg(title, body);
}

Reply Html(const QString& text, int status = 200) {
    QStringEncoder gbk("GB18030");
    return {status, "text/html; charset=gb2312", gbk.encode(text), {}};
}

Reply SimplePage(const QString& title, const QString& paragraph) {
    return Html(Page(title, QStringLiteral("<h1>%1</h1>\n<p>%2</p>\n").arg(title, paragraph)));
}

Reply NotFound() {
    return Html(Page(u"404 找不到页面"_s, u"<h1>404</h1>\n<p>您要找的页面不存在。</p>\n"_s), 404);
}

// The portal's own links carry the Chinese name and singer raw in the href, '&' unescaped;
// the page bytes are GBK, so a browser sends them back as %XX GBK escapes.
QString SongLink(const Song& song) {
    return QStringLiteral(
               "<li><a href=\"play%1.asp?id=%2&g=%3&c=%4\" target=\"_blank\">%3 - %4</a></li>\n")
        .arg(song.kind, QString::number(song.id), song.name, song.singer);
}

QString SearchForm() {
    return u"<form action=\"search.asp\" method=\"get\">歌名或歌手：<input name=\"keyword\">"
           "<input type=\"image\" src=\"58.gif\" alt=\"搜索\"></form>\n"_s;
}

// A 20x20 magnifying glass: a ring with a handle towards the lower right.
bool IconPixel(int x, int y) {
    const double distance = std::hypot(x - 8.0, y - 8.0);
    const bool ring = distance >= 4.5 && distance <= 6.5;
    const bool handle = std::abs(x - y) <= 1 && x >= 12 && y >= 12 && x <= 18 && y <= 18;
    return ring || handle;
}

// GIF pixel data is LZW coded. Sending a clear code before every pair of pixels keeps the
// code table from growing, so every code stays 3 bits wide and no real compressor is needed.
QByteArray SearchIconGif() {
    constexpr int kSize = 20;
    constexpr int kClear = 4;  // with a minimum code size of 2: clear = 4, end = 5
    constexpr int kEnd = 5;

    QByteArray codes;
    quint32 pending = 0;
    int pendingBits = 0;
    auto putCode = [&](int code) {
        pending |= quint32(code) << pendingBits;
        pendingBits += 3;
        while (pendingBits >= 8) {
            codes.append(char(pending & 0xff));
            pending >>= 8;
            pendingBits -= 8;
        }
    };
    for (int i = 0; i < kSize * kSize; ++i) {
        if (i % 2 == 0) putCode(kClear);
        putCode(IconPixel(i % kSize, i / kSize) ? 1 : 0);
    }
    putCode(kEnd);
    if (pendingBits > 0) codes.append(char(pending & 0xff));

    QByteArray gif("GIF89a");
    auto put16 = [&](int value) {
        gif.append(char(value & 0xff));
        gif.append(char(value >> 8));
    };
    put16(kSize);
    put16(kSize);
    gif.append("\x80\x00\x00", 3);              // 2-entry colour table, background 0
    gif.append("\xff\xff\xff\x20\x40\x90", 6);  // white, dark blue
    gif.append(',');                            // image descriptor
    put16(0);
    put16(0);
    put16(kSize);
    put16(kSize);
    gif.append('\0');
    gif.append('\2');  // LZW minimum code size
    for (qsizetype pos = 0; pos < codes.size(); pos += 255) {
        const QByteArray block = codes.mid(pos, 255);
        gif.append(char(block.size()));
        gif.append(block);
    }
    gif.append('\0');  // end of image data
    gif.append(';');   // trailer
    return gif;
}

// --- Pages -----------------------------------------------------------------------------

Reply CategoriesPage(const QByteArray&) {
    QString body = u"<h1>歌曲分类</h1>\n"_s + SearchForm();
    QString currentCategory;
    for (const Song& song : Songs()) {
        if (song.category != currentCategory) {
            if (!currentCategory.isEmpty()) body += u"</ul>\n"_s;
            currentCategory = song.category;
            body += QStringLiteral("<h2>%1</h2>\n<ul>\n").arg(currentCategory);
        }
        body += SongLink(song);
    }
    body += u"</ul>\n"_s;
    return Html(Page(u"歌曲分类"_s, body));
}

Reply SearchPage(const QByteArray& rawQuery) {
    const QString keyword = GbkQueryValue(rawQuery, "keyword");
    QString list;
    for (const Song& song : Songs()) {
        if (song.name.contains(keyword, Qt::CaseInsensitive) ||
            song.singer.contains(keyword, Qt::CaseInsensitive)) {
            list += SongLink(song);
        }
    }
    const QString results =
        list.isEmpty() ? u"<p>没有找到相关歌曲。</p>\n"_s : u"<ul>\n"_s + list + u"</ul>\n"_s;
    const QString body = QStringLiteral("<h1>搜索“%1”的结果</h1>\n").arg(keyword.toHtmlEscaped()) +
                         SearchForm() + results;
    return Html(Page(u"歌曲搜索"_s, body));
}

// Serves playwmv.asp, playrm.asp and mtvplayer.asp: the song comes from id, while g and c
// are shown as received so a test can see what the client actually sent.
Reply PlayerPage(const QByteArray& rawQuery) {
    const Song* song = FindSong(GbkQueryValue(rawQuery, "id").toInt());
    if (song == nullptr) return NotFound();
    QString body = QStringLiteral("<h1>%1</h1>\n<p>演唱：%2</p>\n")
                       .arg(song->name.toHtmlEscaped(), song->singer.toHtmlEscaped()) +
                   PlayerMarkup(*song, FormFor(*song));
    const QString g = GbkQueryValue(rawQuery, "g");
    const QString c = GbkQueryValue(rawQuery, "c");
    if (!g.isEmpty() || !c.isEmpty()) {
        body += QStringLiteral("<p class=\"params\">g=%1 c=%2</p>\n")
                    .arg(g.toHtmlEscaped(), c.toHtmlEscaped());
    }
    body +=
        QStringLiteral(
            "<p><a id=\"download\" href=\"down.asp?id=%1\">下载</a> "
            "<a id=\"download-reset\" href=\"down.asp?id=%1&cut=reset\">下载（中途断线）</a> "
            "<a id=\"download-close\" href=\"down.asp?id=%1&cut=close\">下载（中途关闭）</a></p>\n")
            .arg(song->id);
    return Html(Page(song->name.toHtmlEscaped() + u" - 播放"_s, body));
}

// Serves mtv5.asp: the song of id in the browser's own player (HTML5 <video>).
Reply Html5PlayerPage(const QByteArray& rawQuery) {
    const Song* song = FindSong(GbkQueryValue(rawQuery, "id").toInt());
    if (song == nullptr) return NotFound();
    const QString body = QStringLiteral(
                             "<h1>%1</h1>\n<p>演唱：%2</p>\n"
                             "<video id=\"video\" src=\"media/clip.webm\" width=\"320\" "
                             "height=\"240\" controls autoplay></video>\n")
                             .arg(song->name.toHtmlEscaped(), song->singer.toHtmlEscaped());
    return Html(Page(song->name.toHtmlEscaped() + u" - 播放"_s, body));
}

Reply TallPage(const QByteArray&) {
    QString body = u"<h1>长页面</h1>\n"_s;
    for (int i = 1; i <= 300; ++i) {
        body += QStringLiteral("<p>第 %1 段：这是一段用来撑高页面的文字。</p>\n").arg(i);
    }
    return Html(Page(u"长页面"_s, body));
}

// --- Misbehaving pages ------------------------------------------------------------------
// What a hostile page (or an advertisement frame inside one) may try: links to outside
// programs' schemes, endless script dialogs, dialogs from a pop-up, a page that does not
// want to be left, escape sequences on the console.

// Links to schemes the desktop hands to other programs, then one back to the portal. Each
// click is noted in the top page's `clicked` list.
QString OutsideLinks(const QString& from) {
    return QStringLiteral(
               "<script>top.clicked = top.clicked || [];</script>\n"
               "<p><a id=\"mailto\" href=\"mailto:someone@example.com\" "
               "onclick=\"top.clicked.push(this.id)\">写信给我们</a></p>\n"
               "<p><a id=\"smb\" href=\"smb://fileserver/share\" "
               "onclick=\"top.clicked.push(this.id)\">共享文件夹</a></p>\n"
               "<p><a id=\"after\" href=\"news.htm?from=%1\">本站新闻</a></p>\n")
        .arg(from);
}

Reply LinksPage(const QByteArray& rawQuery) {
    QString from = GbkQueryValue(rawQuery, "in");
    if (from.isEmpty()) from = u"page"_s;
    return Html(Page(u"外部链接"_s, OutsideLinks(from.toHtmlEscaped())));
}

// The same links in a frame of the portal and in a frame written inline (srcdoc).
Reply FramesPage(const QByteArray&) {
    const QString style = u"width=\"160\" height=\"110\" style=\"border: 1px solid #888\""_s;
    return Html(Page(u"框架"_s,
                     QStringLiteral("<iframe id=\"frame\" src=\"links.asp?in=frame\" %1></iframe>\n"
                                    "<iframe id=\"srcdoc\" srcdoc=\"%2\" %1></iframe>\n")
                         .arg(style, OutsideLinks(u"srcdoc"_s).toHtmlEscaped())));
}

// ?n=N: N alerts, then the title becomes "完N". Without n: alerts for ever. With
// via=frame the alerts are those of a fresh frame, the engine's own function; with
// via=sandbox those of a sandboxed frame (an origin of its own is all it lacks).
Reply AlertsPage(const QByteArray& rawQuery) {
    const int count = GbkQueryValue(rawQuery, "n").toInt();
    QString script =
        count > 0
            ? QStringLiteral("for (var i = 1; i <= %1; i++) alert(i); document.title = '完%1';")
                  .arg(count)
            : u"for(;;) alert(1)"_s;
    if (GbkQueryValue(rawQuery, "via") == u"frame"_s) {
        script =
            u"var f = document.createElement('iframe'); document.body.appendChild(f);\n"
            "var alert = f.contentWindow.alert;\n"_s +
            script;
    }
    if (GbkQueryValue(rawQuery, "via") == u"sandbox"_s) {
        const QString framed = QStringLiteral(
                                   "<script>for (var i = 1; i <= %1; i++) alert(i);"
                                   " parent.postMessage('完%1', '*');</script>")
                                   .arg(count);
        return Html(Page(u"提示"_s,
                         u"<h1>提示</h1>\n<script>addEventListener('message', function (e) {"
                         " document.title = e.data; });</script>\n"
                         "<iframe sandbox=\"allow-scripts allow-modals\" srcdoc=\""_s +
                             framed.toHtmlEscaped() + u"\"></iframe>\n"_s));
    }
    return Html(Page(u"提示"_s, u"<h1>提示</h1>\n<script>"_s + script + u"</script>\n"_s));
}

// A pop-up that asks everything a page can ask, then shows the answers in its title.
Reply AskPage(const QByteArray&) {
    return Html(Page(u"询问"_s,
                     u"<h1>询问</h1>\n<script>alert('弹出窗口的提示');\n"
                     "document.title = String(confirm('确定吗？')) + ',' +\n"
                     "  String(prompt('请输入密码：', ''));</script>\n"_s));
}

Reply LeavePage(const QByteArray&) {
    return Html(Page(u"离开前询问"_s,
                     u"<h1>离开前询问</h1>\n<p id=\"area\">点过本页之后，离开时会被询问。</p>\n"
                     "<p><a id=\"away\" href=\"about.htm\">关于本站</a></p>\n"
                     "<script>window.touched = false;\n"
                     "document.addEventListener('click', function () { window.touched = true; });\n"
                     "addEventListener('beforeunload', function (e) {\n"
                     "  e.preventDefault(); e.returnValue = ''; });</script>\n"_s));
}

Reply ConsolePage(const QByteArray&) {
    return Html(Page(u"控制台"_s,
                     u"<h1>控制台</h1>\n<script>\n"
                     "console.log('\\x1b[31m红色\\x1b[0m\\nnext line');\n"
                     "console.error('bell\\x07 csi\\x9b2J');\n</script>\n"_s));
}

// An empty reply (204): a navigation to it leaves the page where it is.
Reply EmptyReply(const QByteArray&) { return {204, {}, {}, {}}; }

// A player whose screen can fill the display: the button under it asks for full screen, a
// button on the screen leaves it, a double-click on the screen does either. The page notes
// each answer in `answers` ("ok" or "refused"). With ?again=1, once it has been in full
// screen it asks to go back every 100 ms while it is out, as a page that wants the screen
// back does.
Reply VideoPage(const QByteArray& rawQuery) {
    const QString again =
        GbkQueryValue(rawQuery, "again") == u"1"_s
            ? u"var been = false;\n"
              "document.addEventListener('fullscreenchange', function () { been = true; });\n"
              "setInterval(function () { if (been && !document.fullscreenElement) toggle(); },"
              " 100);\n"_s
            : QString();
    return Html(
        Page(u"全屏播放"_s,
             u"<div id=\"screen\" class=\"screen\" ondblclick=\"toggle()\">[WMV 播放器] 正在播放\n"
             "<button id=\"leave\" onclick=\"toggle()\">退出全屏</button></div>\n"
             "<p><button id=\"full\" onclick=\"toggle()\">全屏</button></p>\n"
             "<script>window.answers = [];\n"
             "function toggle() {\n"
             "  var asked = document.fullscreenElement ? document.exitFullscreen()\n"
             "      : document.getElementById('screen').requestFullscreen();\n"
             "  asked.then(function () { answers.push('ok'); },\n"
             "             function () { answers.push('refused'); });\n"
             "}\n"_s +
                 again + u"</script>\n"_s));
}

// --- Members ------------------------------------------------------------------------------
// The login sets two cookies: "member", kept for a year, and "visit", a session cookie that
// ends when the browser does. The idle page greets a member.

bool HasCookie(const QByteArray& cookies, QByteArrayView name) {
    for (const QByteArray& pair : cookies.split(';')) {
        if (pair.trimmed().startsWith(name.toByteArray() + '=')) return true;
    }
    return false;
}

Reply IdlePage(const QByteArray& cookies) {
    if (HasCookie(cookies, "member")) {
        return SimplePage(u"欢迎使用 Lorvex"_s, u"欢迎回来，会员！点击左侧分类开始欣赏。"_s);
    }
    return Html(Page(u"欢迎使用 Lorvex"_s,
                     u"<h1>欢迎使用 Lorvex</h1>\n"
                     "<p>欢迎来到音乐视频在线，点击左侧分类开始欣赏。</p>\n"
                     "<p><a id=\"login\" href=\"login.asp\">会员登录</a></p>\n"_s));
}

Reply LoginPage(const QByteArray&) {
    Reply reply = SimplePage(u"会员登录"_s, u"登录成功。<a href=\"disp.asp\">返回首页</a>"_s);
    reply.headers = {{"Set-Cookie", "member=1024; Max-Age=31536000; Path=/"},
                     {"Set-Cookie", "visit=1; Path=/"}};
    return reply;
}

// --- The portal's other pages ------------------------------------------------------------

Reply AboutPage(const QByteArray&) {
    return SimplePage(u"关于本站"_s, u"这是一个用于开发和测试的演示站点。"_s);
}

Reply NewsPage(const QByteArray&) {
    return SimplePage(u"本站新闻"_s, u"本周新增歌曲十余首，欢迎收藏。"_s);
}

Reply StyleSheet(const QByteArray&) {
    return Reply{200,
                 "text/css",
                 "body { font-family: sans-serif; margin: 8px; }\n"
                 "h1 { font-size: 16px; color: #204090; }\n"
                 "a { color: #204090; }\n"
                 ".screen { width: 320px; height: 240px; background: #000; color: #fff; }\n",
                 {}};
}

Reply SearchIcon(const QByteArray&) { return Reply{200, "image/gif", SearchIconGif(), {}}; }

// A page that opens an advertisement window, and the advertisement.
Reply PopupPage(const QByteArray&) {
    return Html(Page(u"弹出窗口"_s,
                     u"<h1>弹出窗口</h1>\n<p>这个页面会打开一个广告窗口。</p>\n"
                     "<script>window.open('popad.asp','_blank');</script>\n"_s));
}

Reply AdvertPage(const QByteArray&) { return SimplePage(u"广告"_s, u"这是一个弹出的广告窗口。"_s); }

// A page whose pop-up asks everything a page can ask (AskPage).
Reply PopAskPage(const QByteArray&) {
    return Html(Page(u"弹出询问"_s,
                     u"<h1>弹出询问</h1>\n"
                     "<script>window.open('ask.asp','_blank');</script>\n"_s));
}

// Download links whose names try to put the file elsewhere or hide what it is: a download
// attribute with a folder, a server's name that climbs out of the folder, an absolute
// path, a right-to-left override before a false extension, and a name with nothing in it.
Reply SaveNamesPage(const QByteArray&) {
    return Html(
        Page(u"文件名"_s,
             u"<h1>文件名</h1>\n<div id=\"links\"></div>\n<script>\n"
             "[['attribute', '', 'no-such-folder/.bash_aliases'],\n"
             " ['disposition', '&name=..%2F.ssh%2Fauthorized_keys', null],\n"
             " ['absolute', '', '/tmp/lorvex-absolute.sh'],\n"
             " ['override', '', '\\u6b4c\\u66f2\\u202ekcs.mp4'],\n"
             " ['nothing', '&type=video%2Fmp4', '../..']].forEach(function (link) {\n"
             "  var a = document.createElement('a');\n"
             "  a.id = link[0]; a.href = 'down.asp?id=1024' + link[1]; a.textContent = link[0];\n"
             "  if (link[2] !== null) a.download = link[2];\n"
             "  document.getElementById('links').appendChild(a);\n"
             "  document.getElementById('links').appendChild(document.createElement('br'));\n"
             "});\n</script>\n"_s));
}

// Starts a download every quarter of a second, without end.
Reply StreamPage(const QByteArray&) {
    return Html(Page(u"下载"_s,
                     u"<h1>下载</h1>\n<script>var n = 0;\n"
                     "setInterval(function () {\n"
                     "  var a = document.createElement('a');\n"
                     "  a.href = 'down.asp?id=1024&n=' + (++n);\n"
                     "  document.body.appendChild(a); a.click(); a.remove();\n"
                     "}, 250);</script>\n"_s));
}

// Opens the download stream in a new window.
Reply PopStreamPage(const QByteArray&) {
    return Html(Page(u"弹出下载"_s,
                     u"<h1>弹出下载</h1>\n"
                     "<script>window.open('stream.asp','_blank');</script>\n"_s));
}

// The pages of the portal's web site that the client opens in the system browser.
Reply SiteHomePage(const QByteArray&) { return SimplePage(u"首页"_s, u"音乐视频在线首页。"_s); }
Reply MoviesPage(const QByteArray&) { return SimplePage(u"电影"_s, u"精彩电影片段。"_s); }
Reply AnimationPage(const QByteArray&) { return SimplePage(u"动画"_s, u"经典动画欣赏。"_s); }
Reply RingtonesPage(const QByteArray&) { return SimplePage(u"彩铃"_s, u"热门彩铃下载。"_s); }

using Handler = Reply (*)(const QByteArray& rawQuery);

// The idle page (disp.asp) is answered apart: it reads the request's cookies.
const QHash<QString, Handler>& Routes() {
    static const QHash<QString, Handler> table{
        {u"/33/login.asp"_s, &LoginPage},         {u"/33/fl.htm"_s, &CategoriesPage},
        {u"/33/about.htm"_s, &AboutPage},         {u"/33/search.asp"_s, &SearchPage},
        {u"/33/playwmv.asp"_s, &PlayerPage},      {u"/33/playrm.asp"_s, &PlayerPage},
        {u"/33/mtvplayer.asp"_s, &PlayerPage},    {u"/33/mtv.css"_s, &StyleSheet},
        {u"/33/58.gif"_s, &SearchIcon},           {u"/33/popup.asp"_s, &PopupPage},
        {u"/33/popad.asp"_s, &AdvertPage},        {u"/33/news.htm"_s, &NewsPage},
        {u"/33/tall.asp"_s, &TallPage},           {u"/33/links.asp"_s, &LinksPage},
        {u"/33/frames.asp"_s, &FramesPage},       {u"/33/alerts.asp"_s, &AlertsPage},
        {u"/33/popask.asp"_s, &PopAskPage},       {u"/33/ask.asp"_s, &AskPage},
        {u"/33/leave.asp"_s, &LeavePage},         {u"/33/console.asp"_s, &ConsolePage},
        {u"/33/video.asp"_s, &VideoPage},         {u"/html/index.htm"_s, &SiteHomePage},
        {u"/html/movie.htm"_s, &MoviesPage},      {u"/html/donghua.htm"_s, &AnimationPage},
        {u"/html/cai0.htm"_s, &RingtonesPage},    {u"/33/empty.asp"_s, &EmptyReply},
        {u"/html/cai0.htm"_s, &RingtonesPage},    {u"/33/names.asp"_s, &SaveNamesPage},
        {u"/33/mtv5.asp"_s, &Html5PlayerPage},    {u"/33/stream.asp"_s, &StreamPage},
        {u"/33/popstream.asp"_s, &PopStreamPage},
    };
    return table;
}

}  // namespace

QString GbkQueryValue(const QByteArray& rawQuery, QByteArrayView name) {
    for (const QByteArray& pair : rawQuery.split('&')) {
        const qsizetype equals = pair.indexOf('=');
        const QByteArrayView key = QByteArrayView(pair).first(equals < 0 ? pair.size() : equals);
        if (key != name) continue;
        if (equals < 0) return {};
        QStringDecoder gbk("GB18030");
        return gbk.decode(QByteArray::fromPercentEncoding(pair.mid(equals + 1)));
    }
    return {};
}

Reply ReplyFor(const QString& path, const QByteArray& rawQuery, const QByteArray& cookies) {
    if (path == u"/33/disp.asp"_s) return IdlePage(cookies);
    const auto it = Routes().constFind(path);
    return it == Routes().cend() ? NotFound() : (*it)(rawQuery);
}

std::optional<Download> FindDownload(const QString& path, const QByteArray& rawQuery) {
    if (path != u"/33/down.asp"_s) return std::nullopt;
    const Song* song = FindSong(GbkQueryValue(rawQuery, "id").toInt());
    if (song == nullptr) return std::nullopt;
    const QString cut = GbkQueryValue(rawQuery, "cut");
    Download file{song->name + u'.' + song->kind, QByteArray(kDownloadSize, Qt::Uninitialized),
                  cut == u"reset"_s   ? Cut::Reset
                  : cut == u"close"_s ? Cut::Close
                                      : Cut::None};
    // A name and a type of the test's choosing instead of the song's.
    if (const QString name = GbkQueryValue(rawQuery, "name"); !name.isEmpty()) file.fileName = name;
    if (const QString type = GbkQueryValue(rawQuery, "type"); !type.isEmpty()) {
        file.contentType = type.toLatin1();
    }
    // Bytes that differ from song to song and along the file, so a misplaced piece shows.
    for (qsizetype i = 0; i < file.body.size(); ++i) {
        file.body[i] = static_cast<char>((i * 7 + i / 4096 + song->id) % 251);
    }
    return file;
}

}  // namespace lorvex::portal
