#include "framework/actioncatalogue.h"

namespace actioncatalogue {
namespace {

using E = TActionEntry;

const std::vector<TActionEntry> &Table()
{
    static const std::vector<TActionEntry> table = {
        // The list, the display and the player.
        E{.name = u"naInterrompre", .caption = u"Abort", .shortcuts = {u"Shift+Esc"}, .scriptName = u"break", .switchName = u"brk"},
        E{.name = u"naInterrompreTous", .caption = u"Abort all", .shortcuts = {u"Esc"}, .scriptName = u"BreakAll", .switchName = u"bk"},
        E{.name = u"naSelectionnerTout", .caption = u"Select all", .hint = u"Select all videos from the list",
          .shortcuts = {u"Ctrl+A"}, .scriptName = u"SelectAll", .switchName = u"a"},
        E{.name = u"naOterSelection", .caption = u"Remove the selection", .shortcuts = {u"Del"}, .scriptName = u"remove",
          .switchName = u"del", .stored = false, .ctrlModeShortcut = u"Ctrl+Del"},
        E{.name = u"naDureeTotale", .caption = u"Total duration of videos", .shortcuts = {u"Ctrl+J"}, .scriptName = u"durtot",
          .switchName = u"dt"},
        E{.name = u"naOrdreAlpha", .caption = u"Alphabetical order", .shortcuts = {u"Alt+A"}, .scriptName = u"sortalpha", .switchName = u"sa"},
        E{.name = u"naTriTaille", .caption = u"Sort by size", .shortcuts = {u"Alt+S"}, .scriptName = u"sortbysize", .switchName = u"ss"},
        E{.name = u"naTrierModify", .caption = u"Sort by filedate", .shortcuts = {u"Alt+F"}, .scriptName = u"sortbyfiledate",
          .switchName = u"sf"},
        E{.name = u"naTriDatecode", .caption = u"Sort by datecode", .shortcuts = {u"Alt+D"}, .scriptName = u"sortbydate", .switchName = u"sd"},
        E{.name = u"naTriTimecode", .caption = u"Sort by timecode", .shortcuts = {u"Alt+T"}, .scriptName = u"sorttimecode",
          .switchName = u"st"},
        E{.name = u"naTriDuree", .caption = u"Sorted by duration", .shortcuts = {u"Alt+U"}, .scriptName = u"sortduration", .switchName = u"su"},
        E{.name = u"caSelectionnerOuverts", .caption = u"Select the files when opened",
          .checkedCaption = u"Do not select the files when opened", .scriptName = u"selectwhenopen", .switchName = u"so"},
        E{.name = u"caFullscreen", .caption = u"Fullscreen", .checkedCaption = u"Quit the fullscreen",
          .shortcuts = {u"Alt+Return", u"Ctrl+F11"}, .scriptName = u"fullscreen", .switchName = u"fs"},
        E{.name = u"caListeGauche", .caption = u"Put the List at left", .checkedCaption = u"Put the List at Right",
          .shortcuts = {u"Alt+W"}, .scriptName = u"mirror", .switchName = u"ww"},
        E{.name = u"caVideoSeule", .caption = u"Display the video only", .checkedCaption = u"Complete Display",
          .shortcuts = {u"Ctrl+Return"}, .scriptName = u"videoonly", .switchName = u"vo"},
        // Its shortcut comes with its place in the "Display" menu.
        E{.name = u"caVueReduite", .caption = u"Reduced View", .checkedCaption = u"Normal View", .shortcuts = {u"Ctrl+F6"},
          .scriptName = u"VueReduite", .stored = false},
        E{.name = u"caPlayPause", .caption = u"Play", .checkedCaption = u"Pause", .shortcuts = {u"Space"}, .scriptName = u"play",
          .switchName = u"py", .ctrlModeShortcut = u"Ctrl+Space"},
        E{.name = u"caMute", .caption = u"Turn sound off", .checkedCaption = u"Turn sound on", .shortcuts = {u"Ctrl+M"},
          .scriptName = u"mute", .switchName = u"m"},
        E{.name = u"naIncVolume", .caption = u"Increase the volume", .shortcuts = {u"Num++"}, .scriptName = u"incvol",
          .switchName = u"iv", .ctrlModeShortcut = u"Ctrl+Num++"},
        E{.name = u"naDecVolume", .caption = u"Decrease the volume", .shortcuts = {u"Num+-"}, .scriptName = u"decvol",
          .switchName = u"dv", .ctrlModeShortcut = u"Ctrl+Num+-"},
        E{.name = u"caDeinterlace", .caption = u"Deinterlace", .checkedCaption = u"Stop deinterlacing", .shortcuts = {u"Ctrl+F12"},
          .scriptName = u"deinterlace", .switchName = u"di"},
        E{.name = u"naAvanceFrame", .caption = u"Move forward one frame", .shortcuts = {u"Ctrl+Right"}, .scriptName = u"avfr",
          .switchName = u"nf"},
        E{.name = u"naAvanceSeconde", .caption = u"Move forward one second", .shortcuts = {u"Ctrl+Down"}, .scriptName = u"avsec",
          .switchName = u"ns"},
        E{.name = u"naAvanceMinute", .caption = u"Move forward a minute", .shortcuts = {u"Ctrl+PgDown"}, .scriptName = u"avmin",
          .switchName = u"nm"},
        E{.name = u"naAvanceFin", .caption = u"Advance to end", .shortcuts = {u"Ctrl+End"}, .scriptName = u"avfin", .switchName = u"ne"},
        E{.name = u"naAvanceScene", .caption = u"Next scene", .shortcuts = {u"F9"}, .scriptName = u"avscn", .switchName = u"f9"},
        E{.name = u"naReculeFrame", .caption = u"Move back of one frame", .shortcuts = {u"Ctrl+Left"}, .scriptName = u"recfr",
          .switchName = u"pf"},
        E{.name = u"naReculeSeconde", .caption = u"Go back a second", .shortcuts = {u"Ctrl+Up"}, .scriptName = u"recsec",
          .switchName = u"ps"},
        E{.name = u"naReculeMinute", .caption = u"Go back a minute", .shortcuts = {u"Ctrl+PgUp"}, .scriptName = u"recmin",
          .switchName = u"pm"},
        E{.name = u"naReculeDebut", .caption = u"Go back to start", .shortcuts = {u"Ctrl+Home"}, .scriptName = u"recdeb",
          .switchName = u"ph"},
        E{.name = u"naReculeScene", .caption = u"Previous scene", .shortcuts = {u"F8"}, .scriptName = u"recscn", .switchName = u"f8"},
        // "di" is the deinterlacing's: the inlay's own switch keeps both reachable.
        E{.name = u"caAfficherIncrustation", .caption = u"Display the inlay", .checkedCaption = u"Hide  inlay",
          .shortcuts = {u"Alt+I"}, .scriptName = u"displayinlay", .switchName = u"dsi"},
        E{.name = u"caEditerIncrust", .caption = u"Edit the inlay", .checkedCaption = u"Stop editing the Inlay",
          .shortcuts = {u"Alt+J"}, .scriptName = u"editinlay", .switchName = u"ei"},
        E{.name = u"naRiffHeader", .caption = u"RiffHeader", .shortcuts = {u"Ctrl+H"}, .scriptName = u"RiffHeader",
          .command = u"RiffHeader", .stored = false},
        E{.name = u"naCopierImageDansPP", .caption = u"CopyImageToCB", .shortcuts = {u"Ctrl+F5"}, .scriptName = u"copyimage",
          .switchName = u"ci", .enabledAtStart = false},
        E{.name = u"caSendTo", .caption = u"Desactivate SendTo", .checkedCaption = u"Activate SendTo", .scriptName = u"SendTo"},
        E{.name = u"caCTRLShortcuts", .scriptName = u"CTRLShortcuts", .stored = false},

        // Batch commands: each starts the catalogue command of its name without "cc".
        E{.name = u"ccConvertirDV1", .caption = u"Convert in type 1", .shortcuts = {u"Ctrl+Num+1", u"Ctrl+Shift+1"},
          .scriptName = u"converttype1", .switchName = u"1", .command = u"ConvertirDV1"},
        E{.name = u"ccConvertirDV2", .caption = u"Convert in type 2", .shortcuts = {u"Ctrl+Num+2", u"Ctrl+Shift+2"},
          .scriptName = u"converttype2", .switchName = u"2", .command = u"ConvertirDV2"},
        E{.name = u"ccRecompresserDV2", .caption = u"Recompress into DV type 2", .shortcuts = {u"Ctrl+G"},
          .scriptName = u"recompressdv2", .switchName = u"g", .command = u"RecompresserDV2"},
        E{.name = u"ccCorrigerType2", .caption = u"Fix the DV type 2", .shortcuts = {u"Ctrl+Shift+2"}, .scriptName = u"fixtype2",
          .switchName = u"ft", .command = u"CorrigerType2"},
        E{.name = u"ccConvertirNTSC", .caption = u"Convert in NTSC", .shortcuts = {u"Ctrl+N"}, .scriptName = u"convertntsc",
          .switchName = u"n", .command = u"ConvertirNTSC"},
        E{.name = u"ccConvertirPal", .caption = u"Convert in Pal", .shortcuts = {u"Ctrl+P"}, .scriptName = u"convertpal",
          .switchName = u"p", .command = u"ConvertirPal"},
        E{.name = u"ccConvertir4x3", .caption = u"Convert to 4x3", .scriptName = u"convert4x3", .switchName = u"4x3",
          .command = u"Convertir4x3"},
        E{.name = u"ccConvertir16x9", .caption = u"Convert to 16x9", .scriptName = u"convert16x9", .switchName = u"16x9",
          .command = u"Convertir16x9"},
        E{.name = u"ccDecalerHoraire", .caption = u"Fix a time difference", .shortcuts = {u"Ctrl+E"},
          .scriptName = u"settimedifference", .switchName = u"e", .command = u"DecalerHoraire"},
        E{.name = u"ccDecalageHoraire", .caption = u"Add a time difference",
          .hint = u"Click to add a time difference to the selected video.", .scriptName = u"timedifference", .switchName = u"td",
          .command = u"DecalageHoraire"},
        E{.name = u"ccIntroduireDatecode", .caption = u"Overwrite a datecode", .shortcuts = {u"Ctrl+Shift+E"},
          .scriptName = u"overwritedatecode", .switchName = u"od", .command = u"IntroduireDatecode"},
        E{.name = u"ccExtraireAudio", .caption = u"Extract audio", .shortcuts = {u"Ctrl+W"}, .scriptName = u"extractaudio",
          .switchName = u"w", .command = u"ExtraireAudio"},
        E{.name = u"ccIncruster", .caption = u"Inlay in the video", .shortcuts = {u"Ctrl+I"}, .scriptName = u"inlay",
          .switchName = u"i", .command = u"Incruster"},
        E{.name = u"ccCreerSrt", .caption = u"Create a srt file with subtitles", .shortcuts = {u"Ctrl+Shift+S"},
          .scriptName = u"createsrt", .switchName = u"sr", .command = u"CreerSrt"},
        // "dt" is the total duration's.
        E{.name = u"ccSupprimerSrt", .caption = u"Delete the srt file", .shortcuts = {u"Ctrl+Shift+Z"}, .scriptName = u"deletesrt",
          .switchName = u"dsr", .command = u"SupprimerSrt"},
        // The key right of L on a US keyboard (";"; "$" on a French one).
        E{.name = u"ccCreerScnByContenu", .caption = u"Create a scn file with content", .shortcuts = {u"Ctrl+;"},
          .scriptName = u"createscnbycontent", .switchName = u"$", .command = u"CreerScnByContenu"},
        E{.name = u"naCreerScnByDate", .caption = u"Create a scn file by datecode", .scriptName = u"createscnbydate",
          .switchName = u"cd", .command = u"CreerScnByDate", .stored = false},
        // "ci" is the picture copy's.
        E{.name = u"ccCreerScnByIntervalle", .caption = u"Create a scn file with fixed durations", .shortcuts = {u"Ctrl+Shift+;"},
          .scriptName = u"createscnbyinterval", .switchName = u"csi", .command = u"CreerScnByIntervalle"},
        E{.name = u"ccSupprimerScn", .caption = u"Delete the scn file", .shortcuts = {u"Ctrl+Z"}, .scriptName = u"deletescn",
          .switchName = u"z", .command = u"SupprimerScn"},
        E{.name = u"ccCutScenes", .caption = u"Split in scenes", .shortcuts = {u"Ctrl+C"}, .scriptName = u"cutscenes",
          .switchName = u"c", .command = u"CutScenes"},
        E{.name = u"ccExporterScenesTexte", .caption = u"Export the scenes as text", .shortcuts = {u"Ctrl+X"},
          .scriptName = u"exportscntext", .switchName = u"x", .command = u"ExporterScenesTexte"},
        E{.name = u"ccExporterScenesExcel", .caption = u"Export the scenes to Excel", .shortcuts = {u"Ctrl+Shift+X"},
          .scriptName = u"exportexcel", .switchName = u"xe", .command = u"ExporterScenesExcel"},
        E{.name = u"ccExporterScenesWord", .caption = u"Export the scenes to Word", .scriptName = u"exportword", .switchName = u"xw",
          .command = u"ExporterScenesWord"},
        E{.name = u"ccExporterScenesCalc", .caption = u"Export the scenes to OOo.Calc", .scriptName = u"exportooocalc",
          .switchName = u"ec", .command = u"ExporterScenesCalc"},
        E{.name = u"ccExporterScenesWriter", .caption = u"Export the scenes to OOo.Writer", .scriptName = u"exportooowriter",
          .switchName = u"ew", .command = u"ExporterScenesWriter"},
        E{.name = u"ccAjouterDatecode", .caption = u"Add datecode", .shortcuts = {u"Ctrl+D"}, .scriptName = u"adddatecode",
          .switchName = u"d", .command = u"AjouterDatecode"},
        E{.name = u"ccAjouterTimecode", .caption = u"Add timecode", .shortcuts = {u"Ctrl+T"}, .scriptName = u"addtimecode",
          .switchName = u"t", .command = u"AjouterTimecode"},
        E{.name = u"ccRenommer", .caption = u"Rename", .shortcuts = {u"Ctrl+R"}, .scriptName = u"rename", .switchName = u"r",
          .command = u"Renommer"},
        E{.name = u"ccPurgerNom", .caption = u"Shorten the name", .shortcuts = {u"Ctrl+Q"}, .scriptName = u"shorten", .switchName = u"sh",
          .command = u"PurgerNom"},
        E{.name = u"ccDateFichier", .caption = u"Modify the date of file", .shortcuts = {u"Ctrl+B"}, .scriptName = u"changefiledate",
          .switchName = u"b", .command = u"DateFichier"},
        E{.name = u"ccFrequenceVideo", .caption = u"Fix the video framerate", .shortcuts = {u"Ctrl+Y"}, .scriptName = u"frequency",
          .switchName = u"y", .command = u"FrequenceVideo"},
        E{.name = u"ccModifierCodec", .caption = u"Change the codec", .shortcuts = {u"Ctrl+K"}, .scriptName = u"codec",
          .switchName = u"k", .command = u"ModifierCodec"},
        // "del" is the removal from the list's: deleting the files takes its own word.
        E{.name = u"ccSupprimerFichier", .caption = u"Delete the files", .shortcuts = {u"Shift+Del"}, .scriptName = u"delete",
          .switchName = u"delete", .command = u"SupprimerFichier"},
        E{.name = u"ccSnapvue", .caption = u"Open with Snapvue", .shortcuts = {u"F2"}, .scriptName = u"snapvue", .switchName = u"f2",
          .command = u"Snapvue"},
        // "Open with " and the program's name without extension once the window shows.
        E{.name = u"ccOpenFichierF3", .caption = u"Open with...", .shortcuts = {u"F3"}, .scriptName = u"openf3", .switchName = u"f3",
          .command = u"OpenFichierF3"},
        E{.name = u"ccOpenFichierF4", .caption = u"Open with...", .shortcuts = {u"F4"}, .scriptName = u"openf4", .switchName = u"f4",
          .command = u"OpenFichierF4"},
        E{.name = u"ccDefaultPlayer", .caption = u"Play with the default media player", .shortcuts = {u"F5"},
          .scriptName = u"defaultplayer", .switchName = u"f5", .command = u"DefaultPlayer"},

        // The scene editor, on the main list.
        E{.name = u"caEditerScenes", .caption = u"Edit the scenes", .checkedCaption = u"Quit the Scenes Editor",
          .shortcuts = {u"Alt+E"}, .stored = false},
        // Its three commands hold no setting.
        E{.name = u"saInsererScene", .caption = u"Insert a scene", .hint = u"Add a scene by cutting at the current position in the video",
          .stored = false},
        E{.name = u"saSupprimerScene", .caption = u"Delete a scene", .hint = u"Delete the selected scene", .stored = false},
        E{.name = u"caEditerTitres", .caption = u"Edit the title", .checkedCaption = u"Finish editing titles", .scriptName = u"edTitles"},
        E{.name = u"saEnregistrerScn", .caption = u"Save the scn file", .hint = u"Save the scenes in the scn file", .stored = false},

        // The file-list manager.
        E{.name = u"saOpenFiles", .caption = u"Open...", .hint = u"Open files", .shortcuts = {u"Ctrl+O"}, .owner = TOwner::FileList},
        E{.name = u"waOpenFolder", .caption = u"Folder", .hint = u"Open a folder", .shortcuts = {u"Ctrl+F"}, .owner = TOwner::FileList},
        E{.name = u"waOpenPlayList", .caption = u"Playlist", .hint = u"Open a playlist", .shortcuts = {u"Ctrl+U"},
          .owner = TOwner::FileList},
        E{.name = u"naOpenPreferredFolder", .caption = u"Preferred Folder", .hint = u"Open the preferred folder", .shortcuts = {u"F7"},
          .owner = TOwner::FileList},
        E{.name = u"naOpenPreferredPlayList", .caption = u"Preferred playlist", .hint = u"Open the preferred playlist",
          .shortcuts = {u"F8"}, .owner = TOwner::FileList},
        E{.name = u"naPasteFiles", .caption = u"Paste", .hint = u"Paste files", .shortcuts = {u"Ctrl+V"}, .owner = TOwner::FileList},
        E{.name = u"naOpenAll", .caption = u"All", .hint = u"Open all files", .shortcuts = {u"Ctrl+Shift+F7"}, .owner = TOwner::FileList},
        E{.name = u"naVider", .caption = u"Empty", .hint = u"Empty the list", .shortcuts = {u"Ctrl+Shift+X"}, .owner = TOwner::FileList},
        E{.name = u"waSavePlayList", .caption = u"Save as...", .hint = u"Save the list of files in a text file",
          .shortcuts = {u"Ctrl+Shift+S"}, .owner = TOwner::FileList},
        E{.name = u"naParentFolder", .caption = u"Parent folder", .hint = u"Open the parent folder of the selected file",
          .shortcuts = {u"F9"}, .owner = TOwner::FileList},
        E{.name = u"naClearSelected", .caption = u"Remove", .hint = u"Remove the selected files without destroying them",
          .shortcuts = {u"Ctrl+X"}, .owner = TOwner::FileList},
        E{.name = u"naAbort", .caption = u"Abort", .hint = u"Abort the current operations", .shortcuts = {u"Esc"},
          .owner = TOwner::FileList},
        E{.name = u"naSavePreferredPlayList", .caption = u"Save", .hint = u"Save the playlist", .shortcuts = {u"Ctrl+S"},
          .owner = TOwner::FileList},
        E{.name = u"waPreferredFolderName", .caption = u"Preferred Folder", .hint = u"Change the name of the preferred folder",
          .shortcuts = {u"Ctrl+Shift+F"}, .owner = TOwner::FileList},
        E{.name = u"waPreferredPlayListName", .caption = u"Preferred playlist",
          .hint = u"Change the name of the preferred Playlist", .shortcuts = {u"Ctrl+Shift+L"}, .owner = TOwner::FileList},
        // The list kept between runs.
        E{.name = u"saFileNames", .caption = u"FileNames", .owner = TOwner::FileList},
        E{.name = u"baOpenlastFiles", .caption = u"ReOpen", .hint = u"ReOpen the files", .owner = TOwner::FileList},
        E{.name = u"waActiveFile", .caption = u"Active File", .hint = u"Change the active file", .owner = TOwner::FileList},

        // The application manager.
        E{.name = u"caScript", .caption = u"Script", .shortcuts = {u"F12"}, .scriptName = u"Script", .owner = TOwner::AppliMan,
          .stored = false},
        E{.name = u"caHelp", .caption = u"Help", .shortcuts = {u"F1"}, .scriptName = u"Help", .owner = TOwner::AppliMan},
        E{.name = u"caAbout", .caption = u"About", .shortcuts = {u"F11"}, .scriptName = u"About", .owner = TOwner::AppliMan,
          .stored = false},
        E{.name = u"caOptions", .caption = u"Settings", .shortcuts = {u"F10"}, .scriptName = u"Options", .owner = TOwner::AppliMan,
          .stored = false},
        E{.name = u"caCustom", .caption = u"Custom Frame", .shortcuts = {u"Alt+F10"}, .scriptName = u"Custom", .owner = TOwner::AppliMan},
        E{.name = u"naQuit", .caption = u"Quit", .shortcuts = {u"Alt+F4"}, .scriptName = u"Quit", .owner = TOwner::AppliMan},
        E{.name = u"raFormSave", .scriptName = u"FormSave", .owner = TOwner::AppliMan},
    };
    return table;
}

TMenuItem A(QStringView action)
{
    return {.action = action};
}

const TMenuItem kSeparator{.kind = TItemKind::Separator};

TMenuItem Sort(QStringView caption)
{
    return {.kind = TItemKind::SubMenu,
            .caption = caption,
            .items = {u"naOrdreAlpha", u"naTriTaille", u"naTrierModify", u"naTriDatecode", u"naTriTimecode", u"naTriDuree"}};
}

} // namespace

std::span<const TActionEntry> Actions()
{
    return Table();
}

const TActionEntry *Find(QStringView name)
{
    for (const TActionEntry &entry : Table())
        if (entry.name == name)
            return &entry;
    return nullptr;
}

QStringView ScriptName(const TActionEntry &entry)
{
    if (!entry.scriptName.isEmpty())
        return entry.scriptName;
    return entry.name.size() > 2 ? entry.name.mid(2) : entry.name;
}

std::span<const TMenu> MainMenu()
{
    static const std::vector<TMenu> menus = {
        {{}, u"Files", {A(u"saOpenFiles"), A(u"naPasteFiles"), A(u"waOpenFolder"), A(u"naOpenPreferredFolder"), A(u"naOpenAll"),
                        kSeparator, A(u"waOpenPlayList"), A(u"naOpenPreferredPlayList"), A(u"waSavePlayList"), kSeparator,
                        Sort(u"Sort the list"), A(u"naVider"), A(u"naOterSelection"), A(u"ccSupprimerFichier"), A(u"naDureeTotale"),
                        A(u"naParentFolder"), kSeparator, A(u"naQuit")}},
        {{}, u"Display", {A(u"caVideoSeule"), A(u"caListeGauche"), A(u"caFullscreen"), A(u"caVueReduite")}},
        {{}, u"Video", {A(u"caPlayPause"), A(u"caMute"), A(u"caDeinterlace"), kSeparator, A(u"ccSnapvue"), A(u"ccOpenFichierF3"),
                        A(u"ccOpenFichierF4"), A(u"ccDefaultPlayer"), kSeparator, A(u"naRiffHeader"), A(u"ccFrequenceVideo"),
                        A(u"ccModifierCodec"), A(u"ccDateFichier"), kSeparator,
                        {.kind = TItemKind::Command, .caption = u"Parent folder",
                         .hint = u"Click to open the folder containing the selected video", .shortcut = u"Ctrl+F",
                         .command = u"DossierParent"},
                        A(u"ccSupprimerFichier")}},
        {{}, u"Rename", {A(u"ccAjouterDatecode"), A(u"ccAjouterTimecode"), A(u"ccRenommer"), kSeparator, A(u"ccPurgerNom")}},
        {{}, u"Convert", {A(u"ccConvertirDV1"), A(u"ccConvertirDV2"), A(u"ccRecompresserDV2"), A(u"ccCorrigerType2"), kSeparator,
                          A(u"ccConvertirNTSC"), A(u"ccConvertirPal"), A(u"ccConvertir4x3"), A(u"ccConvertir16x9"), kSeparator,
                          A(u"ccDecalerHoraire"), A(u"ccIntroduireDatecode"), A(u"ccExtraireAudio")}},
        {{}, u"Inlay", {A(u"caAfficherIncrustation"), A(u"caEditerIncrust"), A(u"ccIncruster"), kSeparator, A(u"ccCreerSrt"),
                        A(u"ccSupprimerSrt")}},
        {{}, u"Scenes", {A(u"caEditerScenes"), kSeparator, A(u"ccCreerScnByContenu"), A(u"naCreerScnByDate"),
                         A(u"ccCreerScnByIntervalle"), A(u"ccSupprimerScn"), kSeparator, A(u"ccExporterScenesTexte"),
                         A(u"ccExporterScenesWriter"), A(u"ccExporterScenesCalc"), A(u"ccExporterScenesExcel"),
                         A(u"ccExporterScenesWord"), kSeparator, A(u"ccCutScenes")}},
        {{}, u"?", {A(u"caHelp"), A(u"caOptions"), A(u"caAbout")}},
    };
    return menus;
}

std::span<const TMenu> ContextMenus()
{
    static const std::vector<TMenu> menus = {
        {u"mainPopup", {}, {A(u"saOpenFiles"), A(u"naPasteFiles"), A(u"waOpenFolder"), A(u"naOpenPreferredFolder"),
                            A(u"waOpenPlayList"), kSeparator, A(u"naVider"), A(u"waSavePlayList"), A(u"naSelectionnerTout"),
                            Sort(u"Sort"), kSeparator, A(u"caHelp"), A(u"caOptions"), A(u"caAbout"), A(u"naQuit")}},
        {u"pmWindow", {}, {A(u"caFullscreen"), kSeparator, A(u"caPlayPause"), A(u"caMute"), kSeparator, A(u"caListeGauche"),
                           A(u"caVideoSeule")}},
    };
    return menus;
}

std::span<const TToolbarGroup> Toolbar()
{
    static const std::vector<TToolbarGroup> groups = {
        {u"files", TToolbarShown::Always, {u"saOpenFiles", u"naPasteFiles", u"naOpenPreferredFolder", u"waOpenPlayList", u"naVider"}},
        {u"file", TToolbarShown::NotInView1, {u"caMute", u"caAfficherIncrustation", u"caDeinterlace", u"caFullscreen",
                                              u"daDecalageDisplay", u"caEditerScenes", u"caEditerIncrust"}},
        {u"scenes", TToolbarShown::WhileEditingScenes, {u"saInsererScene", u"saSupprimerScene", u"caEditerTitres", u"saEnregistrerScn"}},
        {u"list", TToolbarShown::NotInView1, {u"naSelectionnerTout"}},
        {u"application", TToolbarShown::Always, {u"caHelp", u"caOptions", u"caScript", u"caAbout", u"naQuit"}},
    };
    return groups;
}

} // namespace actioncatalogue
