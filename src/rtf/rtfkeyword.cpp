#include "rtf/rtfkeyword.h"

#include <string_view>
#include <unordered_map>

namespace {

using Map = std::unordered_map<std::string_view, RtfKeyword>;

Map makeMap()
{
    using K = RtfKeyword;
    Map map = {
        {"fonttbl", K::Fonttbl}, {"colortbl", K::Colortbl}, {"pict", K::Pict},
        {"field", K::Field}, {"fldinst", K::Fldinst}, {"fldrslt", K::Fldrslt},
        {"upr", K::Upr}, {"ud", K::Ud}, {"shppict", K::Shppict}, {"shp", K::Shp},
        {"shprslt", K::Shprslt}, {"object", K::Object}, {"result", K::Result},
        {"listtext", K::Listtext}, {"pntext", K::Pntext},
        {"nesttableprops", K::Nesttableprops},
        {"ansi", K::Ansi}, {"mac", K::Mac}, {"pc", K::Pc}, {"pca", K::Pca},
        {"ansicpg", K::Ansicpg}, {"deff", K::Deff}, {"f", K::F}, {"fcharset", K::Fcharset},
        {"cpg", K::Cpg}, {"uc", K::Uc}, {"u", K::U},
        {"red", K::Red}, {"green", K::Green}, {"blue", K::Blue},
        {"plain", K::Plain}, {"b", K::B}, {"i", K::I}, {"strike", K::Strike},
        {"striked", K::Strike}, {"ul", K::Ul}, {"uldb", K::Ul}, {"ulw", K::Ul},
        {"ulth", K::Ul}, {"uld", K::Uld}, {"ulthd", K::Uld}, {"uldash", K::Uldash},
        {"ulthdash", K::Uldash}, {"uldashd", K::Uldash}, {"uldashdd", K::Uldash},
        {"ulldash", K::Uldash}, {"ulthldash", K::Uldash}, {"ulwave", K::Ulwave},
        {"ulhwave", K::Ulwave}, {"ululdbwave", K::Ulwave}, {"ulnone", K::Ulnone},
        {"cf", K::Cf}, {"highlight", K::Highlight}, {"cb", K::Cb}, {"chcbpat", K::Cb},
        {"fs", K::Fs}, {"super", K::Super}, {"sub", K::Sub}, {"nosupersub", K::Nosupersub},
        {"up", K::Up}, {"dn", K::Dn}, {"caps", K::Caps}, {"scaps", K::Scaps}, {"v", K::V},
        {"pard", K::Pard}, {"par", K::Par}, {"sect", K::Sect}, {"page", K::Page},
        {"line", K::Line}, {"tab", K::Tab}, {"ql", K::Ql}, {"qc", K::Qc}, {"qr", K::Qr},
        {"qj", K::Qj}, {"qd", K::Qj}, {"li", K::Li}, {"ri", K::Ri}, {"fi", K::Fi},
        {"sb", K::Sb}, {"sa", K::Sa}, {"sl", K::Sl}, {"slmult", K::Slmult},
        {"intbl", K::Intbl}, {"itap", K::Itap}, {"cell", K::Cell}, {"nestcell", K::Nestcell},
        {"row", K::Row}, {"nestrow", K::Nestrow}, {"trowd", K::Trowd}, {"cellx", K::Cellx},
        {"pngblip", K::Pngblip}, {"jpegblip", K::Jpegblip}, {"picw", K::Picw},
        {"pich", K::Pich}, {"picwgoal", K::Picwgoal}, {"pichgoal", K::Pichgoal},
        {"picscalex", K::Picscalex}, {"picscaley", K::Picscaley},
        {"emdash", K::Emdash}, {"endash", K::Endash}, {"bullet", K::Bullet},
        {"lquote", K::Lquote}, {"rquote", K::Rquote}, {"ldblquote", K::Ldblquote},
        {"rdblquote", K::Rdblquote}, {"emspace", K::Emspace}, {"enspace", K::Enspace},
        {"qmspace", K::Qmspace}, {"zwj", K::Zwj}, {"zwnj", K::Zwnj},
        {"ltrmark", K::Ltrmark}, {"rtlmark", K::Rtlmark},
    };
    // Groups whose content is not part of the visible body text.
    for (const char *word :
         {"stylesheet", "info", "header", "headerl", "headerr", "headerf", "footer", "footerl",
          "footerr", "footerf", "footnote", "listtable", "listoverridetable", "objdata",
          "themedata", "colorschememapping", "datastore", "latentstyles", "generator",
          "rsidtbl", "xmlnstbl", "nonshppict", "pn", "pntxta", "pntxtb", "nonesttables",
          "revtbl", "filetbl", "annotation", "atnid", "atnauthor", "atndate", "atnref",
          "atrfstart", "atrfend", "xe", "tc", "tcn", "do", "falt", "panose", "fname",
          "template", "userprops", "docvar", "mmathPr", "pgdsctbl", "listpicture", "private",
          "background", "ftnsep", "ftnsepc", "aftnsep", "aftnsepc", "ftncn", "aftncn",
          "comment", "bkmkstart", "bkmkend", "shpinst", "picprop", "blipuid", "protusertbl",
          "wgrffmtfilter", "passwordhash", "defchp", "defpap", "pgptbl", "title", "author",
          "operator", "keywords", "subject", "doccomm", "company"}) {
        map.emplace(word, RtfKeyword::SkippedDestination);
    }
    return map;
}

} // namespace

RtfKeyword RtfKeywords::lookup(QByteArrayView name)
{
    static const Map map = makeMap();
    const auto it = map.find(std::string_view(name.data(), static_cast<size_t>(name.size())));
    return it == map.end() ? RtfKeyword::Unknown : it->second;
}

bool RtfKeywords::isKnownDestination(RtfKeyword keyword)
{
    return keyword >= RtfKeyword::Fonttbl && keyword <= RtfKeyword::SkippedDestination;
}
