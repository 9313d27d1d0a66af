#include "app/menus.h"

#include <array>

namespace orugif::app {

namespace {

// level, name, caption, hint, shortcut, enabled at start, separator after, help context
constexpr std::array kMenus{
    MenuEntry{0, "Fichier1", "&Fichier", "", nullptr, true, false, 3},
    MenuEntry{1, "Nouveau1", "&Nouveau", "Nouveau projet", "Ctrl+N", true, false, 0},
    MenuEntry{1, "Nouvelleanimation1", "Nouveau &projet", "Assistant d'animation", nullptr, true, false, 0},
    MenuEntry{2, "Animation2", "&Animation...", "", nullptr, true, false, 0},
    MenuEntry{2, "Bannire1", "&Bannière...", "", nullptr, true, false, 0},
    MenuEntry{1, "OpenItem", "&Ouvrir...", "Ouvrir un fichier", "Ctrl+O", true, false, 0},
    MenuEntry{1, "Enregistrerecran1", "Enregistrer l'é&cran...",
              "Enregistrer une partie de l'écran dans une nouvelle animation", nullptr, true, true, 0},
    MenuEntry{1, "SaveItem", "&Enregistrer", "Enregistrer le fichier en cours", "Ctrl+S", false, false, 0},
    MenuEntry{1, "Enregistrersous1", "Enregistrer &sous...", "Enregistre sous un autre nom", "Ctrl+Shift+S", false, false, 0},
    MenuEntry{1, "Exporteranavi1", "Exporter en &avi...", "Exporter en avi", nullptr, false, false, 0},
    MenuEntry{1, "Exportervideo1", "Exporter en &vidéo ou image animée...",
              "Exporter en MP4, WebM, WebP ou PNG animé", nullptr, false, false, 0},
    MenuEntry{1, "HTML1", "&HTML...", "Balises HTML", nullptr, false, true, 0},
    MenuEntry{1, "ExitItem", "&Quitter", "Quitter l'application", "Alt+X; Ctrl+Q", true, false, 0},

    MenuEntry{0, "Edition1", "&Edition", "", nullptr, true, false, 4},
    MenuEntry{1, "Annuler1", "&Annuler", "Annuler", "Ctrl+Z", false, false, 0},
    MenuEntry{1, "Retablir1", "&Rétablir", "Rétablir", "Ctrl+Y; Ctrl+Shift+Z", false, true, 0},
    MenuEntry{1, "Couper1", "C&ouper", "Couper", "Ctrl+X", false, false, 0},
    MenuEntry{1, "Copier1", "Co&pier", "Copie dans le presse papiers", "Ctrl+C", false, false, 0},
    MenuEntry{1, "Coller1", "C&oller", "Colle depuis le presse papiers", "Ctrl+V", true, true, 0},
    MenuEntry{1, "Listedescadres1", "&Liste des cadres", "Liste des cadres", nullptr, false, false, 0},
    MenuEntry{1, "Montrerlescadres1", "&Montrer les cadres", "Monter tous les cadres", nullptr, false, false, 0},

    MenuEntry{0, "Cadre1", "&Cadre", "", nullptr, true, false, 5},
    MenuEntry{1, "Prcdent1", "&Précédent         PgUp", "Précédent", nullptr, false, false, 0},
    MenuEntry{1, "Suivant1", "&Suivant               PgDn", "Suivant", nullptr, false, false, 0},
    MenuEntry{1, "Premier1", "P&remier", "Premier", nullptr, false, false, 0},
    MenuEntry{1, "Dernier1", "&Dernier", "Dernier", nullptr, false, true, 0},
    MenuEntry{1, "Ajiouter1", "&Ajouter", "Ajouter un cadre", nullptr, false, false, 0},
    MenuEntry{1, "Insrer1", "I&nsérer", "Insérer cadre", nullptr, false, false, 0},
    MenuEntry{1, "Supprimer1", "&Supprimer", "Supprimer le cadre", nullptr, false, false, 0},
    MenuEntry{1, "Dureducadre1", "D&urée du cadre...", "Durée du cadre", nullptr, false, false, 0},
    MenuEntry{1, "Inverserlordre1", "In&verser l'ordre", "Inverser l'ordre des cadres", nullptr, false, true, 0},
    MenuEntry{1, "Importerimage1", "&Importer image...", "Importer image", nullptr, true, false, 0},
    MenuEntry{1, "Exportercadre1", "&Exporter cadre...", "Exporter cadre", nullptr, false, true, 0},
    MenuEntry{1, "Effacer1", "E&ffacer", "effacer l'image", nullptr, false, false, 0},
    MenuEntry{1, "Redimensionner1", "&Redimensionner...", "Redimensionner", nullptr, false, false, 0},
    MenuEntry{1, "Rchantilloner1", "Rééchanti&lloner...", "Changer la taille", nullptr, false, false, 0},
    MenuEntry{1, "Miroirhorizontal1", "Miroir &horizontal", "Miroit horizontal", nullptr, false, false, 0},
    MenuEntry{1, "MiroirVertical1", "Miroir &vertical", "Miroir vertical", nullptr, false, false, 0},
    MenuEntry{1, "Rotation1", "R&otation...", "Rotation", nullptr, false, false, 0},
    MenuEntry{1, "Dplacer1", "Dépla&cer...", "Déplacer image", nullptr, false, false, 0},

    MenuEntry{0, "Animation1", "A&nimation", "", nullptr, true, false, 6},
    MenuEntry{1, "Excuter1", "&Exécuter", "Exécuter animation", "F5; Space", false, false, 0},
    MenuEntry{1, "Lancernavigateur1", "&Lancer navigateur", "Apercu dans le navigateur", nullptr, false, true, 0},
    MenuEntry{1, "Optimisation1", "&Optimisation...", "Oprimiser la taille", nullptr, false, false, 0},
    MenuEntry{1, "Proprits1", "&Propriétés", "Propriétés de l'animation", nullptr, false, false, 0},

    MenuEntry{0, "Images1", "&Image", "", nullptr, true, false, 0},
    MenuEntry{1, "Effetsspciaux1", "&Effets spéciaux...", "Effets spéciaux", nullptr, false, false, 0},
    MenuEntry{1, "Transiitonaprs1", "&Transiiton après", "Transition vers l'image suivante", nullptr, false, false, 0},
    MenuEntry{1, "Transiitonavant1", "Transiiton &avant", "Transiiton vers l'image en cours", nullptr, false, true, 0},
    MenuEntry{1, "Zoomavant1", "&Zoom avant", "Agrandir l'affichage de l'image", "Ctrl++; Ctrl+=", true, false, 0},
    MenuEntry{1, "Zoomarriere1", "Zoom a&rrière", "Réduire l'affichage de l'image", "Ctrl+-", true, false, 0},
    MenuEntry{1, "Taillereelle1", "Ta&ille réelle", "Afficher l'image à 100 %", "Ctrl+0", true, false, 0},
    MenuEntry{1, "Ajusterfenetre1", "A&juster à la fenêtre", "Afficher l'image entière dans la fenêtre", nullptr, true, false, 0},

    MenuEntry{0, "Utilitaires1", "&Utilitaires", "", nullptr, true, false, 7},
    MenuEntry{1, "Calendrier1", "&Calendrier", "Calendrier", nullptr, true, false, 0},
    MenuEntry{1, "Horloge1", "&Horloge", "Hotloge", nullptr, true, false, 0},
    MenuEntry{1, "Calculatrice1", "C&alculatrice", "Calculatrice", nullptr, true, false, 0},
    MenuEntry{1, "Euroconversion1", "&Euro conversion", "Convertisseur Euro", nullptr, true, false, 0},
    MenuEntry{1, "Blocnotes1", "&Bloc notes", "Bloc notes", nullptr, true, false, 0},

    MenuEntry{0, "Fenetre1", "&Fenêtre", "", nullptr, true, false, 0},
    MenuEntry{1, "Bandedescadres1", "&Bande des cadres", "Montrer ou cacher la bande des cadres", nullptr, true, false, 0},

    MenuEntry{0, "Aide1", "&Aide", "", nullptr, true, false, 8},
    MenuEntry{1, "Index1", "&Index", "Sommaire de l'aide", nullptr, true, false, 0},
    MenuEntry{1, "Rechercher1", "&Rechercher", "Rechercher dans l'aide", nullptr, true, false, 0},
    MenuEntry{1, "Utiliserlaide1", "&Utiliser l'aide", "Comment utiliser l'aide", nullptr, true, true, 0},
    MenuEntry{1, "About1", "&A propos", "Informations sur l'application, la version", nullptr, true, false, 0},
};

// name, hint, icon, enabled at start, separator before
constexpr std::array kTools{
    ToolEntry{"SpeedButton1", "Nouveau", "nouveau", true, false},
    ToolEntry{"OpenBtn", "Ouvrir|", "ouvrir", true, false},
    ToolEntry{"RecordBtn", "Enregistrer l'écran", "ecran", true, false},
    ToolEntry{"SaveBtn", "Enregistrer|", "enregistrer", false, false},
    ToolEntry{"CopyBtn", "Copier", "copier", false, true},
    ToolEntry{"PasteBtn", "Coller", "coller", true, false},
    ToolEntry{"SpeedButton6", "Ajouter cadre", "ajouter", false, true},
    ToolEntry{"SpeedButton7", "Importer image", "importer", true, false},
    ToolEntry{"SpeedButton2", "Premier", "premier", false, true},
    ToolEntry{"SpeedButton3", "Précédent", "precedent", false, false},
    ToolEntry{"SpeedButton4", "Suivant", "suivant", false, false},
    ToolEntry{"SpeedButton5", "Dernier", "dernier", false, false},
    ToolEntry{"SpeedButton8", "Exécuter", "executer", false, true},
    ToolEntry{"SpeedButton10", "Aperçu dans le navigateur", "navigateur", false, false},
    ToolEntry{"Panel1", "Couleur", nullptr, true, true},
    ToolEntry{"SpeedButton9", "Désélectionner outils", "pointeur", false, false},
    ToolEntry{"SpeedButton11", "Pinceau", "pinceau", false, false},
    ToolEntry{"PipButton", "Pipette", "pipette", false, false},
    ToolEntry{"FillButton", "Remplir avec une couleur", "remplir", false, false},
    ToolEntry{"TextButton", "Texte", "texte", false, false},
};

// "&Annuler" and "&Rétablir" follow the history instead.
constexpr std::array<const char*, 49> kValide{
    "SaveItem", "Enregistrersous1", "Exporteranavi1", "Exportervideo1", "HTML1", "Couper1", "Copier1",
    "Listedescadres1", "Montrerlescadres1", "Prcdent1", "Suivant1", "Premier1", "Dernier1",
    "Ajiouter1", "Insrer1", "Supprimer1", "Dureducadre1", "Inverserlordre1", "Exportercadre1", "Effacer1",
    "Redimensionner1", "Rchantilloner1", "Miroirhorizontal1", "MiroirVertical1", "Rotation1",
    "Dplacer1", "Excuter1", "Lancernavigateur1", "Optimisation1", "Proprits1", "Effetsspciaux1",
    "Transiitonaprs1", "Transiitonavant1", "Importerimage1",
    "SaveBtn", "CopyBtn", "SpeedButton2", "SpeedButton3", "SpeedButton4", "SpeedButton5",
    "SpeedButton6", "SpeedButton7", "SpeedButton8", "SpeedButton9", "SpeedButton10",
    "SpeedButton11", "PipButton", "FillButton", "TextButton",
};

} // namespace

std::span<const MenuEntry> menuEntries() { return kMenus; }
std::span<const ToolEntry> toolEntries() { return kTools; }
std::span<const char* const> valideNames() { return kValide; }

SplitHint splitHint(const QString& hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return {hint, hint};
    return {hint.left(bar), hint.mid(bar + 1)};
}

} // namespace orugif::app
