// The demo portal's clips, play lists and player markup. This is a development and test
// tool, not part of the client.
#include "PortalMedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringEncoder>

namespace lorvex::portal {

using namespace Qt::StringLiterals;

namespace {

const QString kMediaPath = u"/33/media/"_s;

// The clip files the build makes, by the extension a song's clip is served under.
struct ClipFile {
    QString extension;
    QString songKind;  // the kind of song it plays for
    QString file;
    QByteArray contentType;
};
const QList<ClipFile>& ClipFiles() {
    static const QList<ClipFile> table{
        {u"wmv"_s, u"wmv"_s, u"clip.wmv"_s, "video/x-ms-wmv"},
        {u"wma"_s, u"wmv"_s, u"clip.wma"_s, "audio/x-ms-wma"},
        {u"rm"_s, u"rm"_s, u"clip.rm"_s, "application/vnd.rn-realmedia"},
    };
    return table;
}

QByteArray Gbk(const QString& text) {
    QStringEncoder gbk("GB18030");
    return gbk.encode(text);
}

Reply ErrorPage(int status, const QString& title, const QString& text) {
    return {status,
            "text/html; charset=gb2312",
            Gbk(u"<!DOCTYPE html>\n<html><head><meta http-equiv=\"Content-Type\" "
                "content=\"text/html; charset=gb2312\"><title>"_s +
                title + u"</title></head><body><h1>"_s + title + u"</h1><p>"_s + text +
                u"</p></body></html>\n"_s),
            {}};
}

const Song* FindSong(const QString& id) {
    bool ok = false;
    const int number = id.toInt(&ok);
    if (!ok) return nullptr;
    for (const Song& song : Songs()) {
        if (song.id == number) return &song;
    }
    return nullptr;
}

// The bytes of a clip file, read once.
std::optional<QByteArray> ClipBytes(const QString& file) {
    static QHash<QString, QByteArray> cache;
    if (const auto it = cache.constFind(file); it != cache.cend()) return *it;
    const QString folder = MediaFolder();
    if (folder.isEmpty()) return std::nullopt;
    QFile clip(QDir(folder).filePath(file));
    if (!clip.open(QIODevice::ReadOnly)) return std::nullopt;
    return *cache.insert(file, clip.readAll());
}

// A single byte range of a body of `size` bytes (RFC 9110): "bytes=first-last",
// "bytes=first-" or "bytes=-suffix". None for anything else, which is answered whole.
struct Range {
    qsizetype first = 0;
    qsizetype last = 0;  // inclusive; first > last: cannot be satisfied
};
std::optional<Range> ReadRange(const QByteArray& header, qsizetype size) {
    static const QRegularExpression pattern(u"^\\s*bytes\\s*=\\s*(\\d*)\\s*-\\s*(\\d*)\\s*$"_s);
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(header));
    if (!match.hasMatch()) return std::nullopt;
    const QString first = match.captured(1);
    const QString last = match.captured(2);
    if (first.isEmpty() && last.isEmpty()) return std::nullopt;
    if (first.isEmpty()) {  // the last N bytes
        const qsizetype suffix = std::min(last.toLongLong(), static_cast<qint64>(size));
        return suffix == 0 ? Range{1, 0} : Range{size - suffix, size - 1};
    }
    const qsizetype start = first.toLongLong();
    const qsizetype end = last.isEmpty() ? size - 1 : std::min(last.toLongLong(), size - 1LL);
    if (!last.isEmpty() && last.toLongLong() < start) return std::nullopt;  // invalid: whole
    return Range{start, end};
}

Reply ClipReply(const QByteArray& body, const QByteArray& contentType, const QByteArray& range) {
    Reply reply{200, contentType, body, {{"Accept-Ranges", "bytes"}}};
    if (range.isEmpty()) return reply;
    const std::optional<Range> wanted = ReadRange(range, body.size());
    if (!wanted) return reply;
    if (wanted->first > wanted->last || wanted->first >= body.size()) {
        reply.status = 416;
        reply.body.clear();
        reply.headers.append({"Content-Range", "bytes */" + QByteArray::number(body.size())});
        return reply;
    }
    reply.status = 206;
    reply.body = body.mid(wanted->first, wanted->last - wanted->first + 1);
    reply.headers.append({"Content-Range", "bytes " + QByteArray::number(wanted->first) + '-' +
                                               QByteArray::number(wanted->last) + '/' +
                                               QByteArray::number(body.size())});
    return reply;
}

// The song's play list: an .asx with a relative reference (served as IIS did, with the
// ASF type), a .ram with the clip's full address and a comment.
Reply AsxList(const Song& song) {
    const QString text =
        QStringLiteral(
            "<ASX version=\"3.0\">\r\n<Title>%1 - %2</Title>\r\n"
            "<Entry>\r\n<Title>%1</Title>\r\n<Author>%2</Author>\r\n"
            "<Ref href=\"%3.wmv\" />\r\n</Entry>\r\n</ASX>\r\n")
            .arg(song.name.toHtmlEscaped(), song.singer.toHtmlEscaped(), QString::number(song.id));
    return {200, "video/x-ms-asf", Gbk(text), {}};
}

Reply RamList(const Song& song, const QString& origin) {
    const QString text = QStringLiteral("# %1 - %2\r\n%3/33/media/%4.rm\r\n")
                             .arg(song.name, song.singer, origin, QString::number(song.id));
    return {200, "audio/x-pn-realaudio", Gbk(text), {}};
}

}  // namespace

QString MediaFolder() {
    QStringList candidates{QStringLiteral(LORVEX_DEMO_MEDIA_BUILD_DIR)};
    if (QCoreApplication::instance() != nullptr) {
        candidates.append(QCoreApplication::applicationDirPath() +
                          u"/../share/lorvex-demo-portal/media"_s);
    }
    for (const QString& folder : candidates) {
        if (QFile::exists(QDir(folder).filePath(ClipFiles().first().file))) {
            return QDir::cleanPath(folder);
        }
    }
    return {};
}

std::optional<Reply> MediaReplyFor(const QString& path, const QByteArray& referer,
                                   const QByteArray& range, const QString& origin) {
    if (!path.startsWith(kMediaPath)) return std::nullopt;
    const QString name = path.mid(kMediaPath.size());
    if (name == u"broken.asx"_s) {
        return Reply{200, "video/x-ms-asf", "<html><body>Server Error</body></html>\r\n", {}};
    }
    // The HTML5 player page's clip, for any song.
    if (name == u"clip.webm"_s) {
        if (!referer.startsWith((origin + u'/').toUtf8())) {
            return ErrorPage(403, u"403 禁止访问"_s, u"请从本站页面播放歌曲。"_s);
        }
        const std::optional<QByteArray> bytes = ClipBytes(name);
        if (!bytes) return ErrorPage(404, u"404 找不到文件"_s, u"视频文件没有生成。"_s);
        return ClipReply(*bytes, "video/webm", range);
    }
    const qsizetype dot = name.lastIndexOf(u'.');
    const Song* song = dot < 0 ? nullptr : FindSong(name.first(dot));
    const QString extension = dot < 0 ? QString() : name.mid(dot + 1);
    const auto notFound = [] {
        return ErrorPage(404, u"404 找不到文件"_s, u"您要找的文件不存在。"_s);
    };
    if (song == nullptr) return notFound();
    if (extension == u"asx"_s && song->kind == u"wmv"_s) return AsxList(*song);
    if (extension == u"ram"_s && song->kind == u"rm"_s) return RamList(*song, origin);
    for (const ClipFile& clip : ClipFiles()) {
        if (clip.extension != extension || clip.songKind != song->kind) continue;
        // Only the portal's own pages may play its clips.
        if (!referer.startsWith((origin + u'/').toUtf8())) {
            return ErrorPage(403, u"403 禁止访问"_s, u"请从本站页面播放歌曲。"_s);
        }
        const std::optional<QByteArray> bytes = ClipBytes(clip.file);
        if (!bytes) {
            return ErrorPage(404, u"404 找不到文件"_s,
                             u"演示歌曲的视频文件没有生成（构建时需要 ffmpeg）。"_s);
        }
        return ClipReply(*bytes, clip.contentType, range);
    }
    return notFound();
}

PlayerForm FormFor(const Song& song) {
    if (song.kind == u"rm"_s) return PlayerForm::RealPlayerPair;
    return song.category == u"经典怀旧"_s ? PlayerForm::WindowsMedia64 : PlayerForm::WindowsMedia7;
}

// NOLINTNEXTLINE(readability-function-size): one straight sequence of steps, read top to bottom
QString PlayerMarkup(const Song& song, PlayerForm form) {
    const QString id = QString::number(song.id);
    switch (form) {
        case PlayerForm::WindowsMedia64:
            return QStringLiteral(
                       "<object id=\"MediaPlayer\" classid=\"CLSID:22D6F312-B0F6-11D0-94AB-"
                       "0080C74C7E95\"\n type=\"application/x-oleobject\" width=\"320\" "
                       "height=\"285\" standby=\"正在载入 Windows Media Player 组件...\">\n"
                       "<param name=\"FileName\" value=\"media/%1.wmv\">\n"
                       "<param name=\"AutoStart\" value=\"1\">\n"
                       "<param name=\"ShowControls\" value=\"1\">\n"
                       "<param name=\"Volume\" value=\"-600\">\n"
                       "<embed type=\"application/x-mplayer2\" name=\"MediaPlayer\" "
                       "src=\"media/%1.wmv\" width=\"320\" height=\"285\"\n"
                       " autostart=\"1\" showcontrols=\"1\" volume=\"-600\"></embed>\n"
                       "</object>\n"
                       "<p><a id=\"play\" href=\"javascript:MediaPlayer.Play()\">播放</a> "
                       "<a id=\"pause\" href=\"javascript:MediaPlayer.Pause()\">暂停</a> "
                       "<a id=\"stop\" href=\"javascript:MediaPlayer.Stop()\">停止</a></p>\n")
                .arg(id);
        case PlayerForm::WindowsMedia7:
            return QStringLiteral(
                       "<object id=\"Player\" classid=\"clsid:6BF52A52-394A-11D3-B153-"
                       "00C04F79FAA6\" width=\"320\" height=\"304\">\n"
                       "<param name=\"URL\" value=\"media/%1.asx\">\n"
                       "<param name=\"autoStart\" value=\"true\">\n"
                       "<param name=\"uiMode\" value=\"full\">\n"
                       "<param name=\"volume\" value=\"80\">\n"
                       "</object>\n"
                       "<p><a id=\"play\" href=\"#\" onclick=\"Player.controls.play(); return "
                       "false\">播放</a> "
                       "<a id=\"pause\" href=\"#\" onclick=\"Player.controls.pause(); return "
                       "false\">暂停</a> "
                       "<a id=\"stop\" href=\"#\" onclick=\"Player.controls.stop(); return "
                       "false\">停止</a></p>\n"
                       "<p>状态：<span id=\"playState\">0</span></p>\n"
                       "<script for=\"Player\" event=\"PlayStateChange(NewState)\">\n"
                       "document.getElementById('playState').innerText = NewState;\n"
                       "</script>\n")
                .arg(id);
        case PlayerForm::RealPlayerPair:
            break;
    }
    return QStringLiteral(
               "<object id=\"RealVideo\" classid=\"clsid:CFCDAA03-8BE4-11CF-B84B-0020AFBBCCFA\" "
               "width=\"320\" height=\"240\">\n"
               "<param name=\"SRC\" value=\"media/%1.ram\">\n"
               "<param name=\"CONTROLS\" value=\"ImageWindow\">\n"
               "<param name=\"CONSOLE\" value=\"Clip1\">\n"
               "<param name=\"AUTOSTART\" value=\"true\">\n"
               "</object><br>\n"
               "<object id=\"RealControls\" classid=\"clsid:CFCDAA03-8BE4-11CF-B84B-"
               "0020AFBBCCFA\" width=\"320\" height=\"30\">\n"
               "<param name=\"SRC\" value=\"media/%1.ram\">\n"
               "<param name=\"CONTROLS\" value=\"ControlPanel\">\n"
               "<param name=\"CONSOLE\" value=\"Clip1\">\n"
               "</object>\n"
               "<p><a id=\"play\" href=\"javascript:RealVideo.DoPlay()\">播放</a> "
               "<a id=\"pause\" href=\"javascript:RealVideo.DoPause()\">暂停</a> "
               "<a id=\"stop\" href=\"javascript:RealVideo.DoStop()\">停止</a></p>\n")
        .arg(id);
}

}  // namespace lorvex::portal
