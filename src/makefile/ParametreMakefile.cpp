#include "makefile/ParametreMakefile.h"

#include "common/Messages.h"
#include "common/Texte.h"
#include "noyau/EtatGlobal.h"

#include <QDir>
#include <algorithm>
#include <limits>

EtatMarquage& etatMarquage() {
    static EtatMarquage e;
    return e;
}

namespace {

void retenirPosition(qsizetype p) {
    etatMarquage().PositionRecherche =
        std::int32_t(std::min<qsizetype>(p, std::numeric_limits<std::int32_t>::max()));
}

// Fin de la ligne qui contient position : le premier CR ou LF, ou la fin du texte sur la dernière
// ligne (plutôt qu'une longueur négative).
qsizetype finDeLigne(const QString& texte, qsizetype position) {
    qsizetype f = position;
    while (f < texte.size() && texte[f] != u'\r' && texte[f] != u'\n')
        ++f;
    return f;
}

QString lignesCommunes(const QString& clé) {
    return QStringLiteral("Le paramètre «") + clé +
           QStringLiteral("» est manquant dans votre makefile. Vous pouvez : \r\n"
                          "\r\n"
                          "1 - Supprimer votre makefile, le logiciel en recréera un nouveau lors de la "
                          "prochaine configuration,\r\n"
                          "2 - Éditer votre makefile et celui qui se trouve dans le répertoire « ") +
           // Le vrai dossier de la configuration par défaut, pas un nom de principe.
           QDir::toNativeSeparators(etatGlobal().DossierInstallation + QStringLiteral("/Modèle")) +
           QStringLiteral(" » et rajouter le paramètre «") + clé +
           QStringLiteral("» ainsi que l'aide s'y rapportant.\r\n");
}

void montrerParamètreManquant(const QString& texte) {
    Message m;
    m.texte = texte;
    m.titre = TitreApplication();
    m.icône = IconeMessage::Critique;
    m.boutons = BoutonsMessage::OK;
    afficherMessage(m);
}

} // namespace

qsizetype PositionClé(const QString& texte, const QString& clé) {
    if (clé.isEmpty()) return -1;
    for (qsizetype p = texte.indexOf(clé, 0, Qt::CaseSensitive); p >= 0;
         p = texte.indexOf(clé, p + 1, Qt::CaseSensitive)) {
        // Seuls des blancs ou des tabulations peuvent la précéder sur sa ligne : un « # » plus tôt
        // en fait un commentaire, un autre texte une autre clé (« XMCU = »).
        qsizetype d = p;
        while (d > 0 && (texte[d - 1] == u' ' || texte[d - 1] == u'\t'))
            --d;
        if (d == 0 || texte[d - 1] == u'\n' || texte[d - 1] == u'\r') return p;
    }
    return -1;
}

QString MessageParamètreManquantLecture(const QString& clé) {
    return lignesCommunes(clé) +
           QStringLiteral("3 - Le rajouter à la main dans la configuration avancée >>>>,\r\n"
                          "4 - Abandonner lâchement ce P... de B... de M... de projet à la C...\r\n"
                          "5 - Me maudire, mais je vous le rendrai.");
}

QString MessageParamètreManquantÉcriture(const QString& clé) {
    return lignesCommunes(clé) +
           QStringLiteral("3 - Abandonner lâchement ce P... de B... de M... de projet à la C...\r\n"
                          "4 - Me maudire, mais je vous le rendrai.");
}

std::optional<QString> ValeurParamètre(const DocumentRiche& document, const QString& clé) {
    const QString texte = document.texte();
    const qsizetype p = PositionClé(texte, clé);
    retenirPosition(p);
    if (p < 0) return std::nullopt;
    const qsizetype début = p + clé.size();
    return Texte::rogner(texte.mid(début, finDeLigne(texte, début) - début));
}

QString LireParamètre(const DocumentRiche& makefileExistant, const QString& clé) {
    if (auto v = ValeurParamètre(makefileExistant, clé)) return *v;
    montrerParamètreManquant(MessageParamètreManquantLecture(clé));
    return QString();
}

bool MarquerParamètre(DocumentRiche& document, const QString& clé, const QString& valeur) {
    const QString texte = document.texte();
    const qsizetype p = PositionClé(texte, clé);
    retenirPosition(p);
    if (p < 0) {
        montrerParamètreManquant(MessageParamètreManquantÉcriture(clé));
        return false;
    }
    // La clé en gras rouge.
    document.sélectionner(p, clé.size());
    const FormatCaractere formatClé = document.formatEn(p);
    document.définirGras(true);
    document.définirCouleur(CouleurClé);

    // Tout le reste de la ligne est remplacé, commentaire compris.
    const qsizetype début = p + clé.size();
    const qsizetype fin = finDeLigne(texte, début);
    document.sélectionner(début, fin - début);
    if (fin == début) {
        // Rien à remplacer : la valeur prend le format de la fin de ligne, pas le rouge de la clé.
        document.définirFormat(fin < texte.size() ? document.formatEn(fin) : formatClé);
    }
    if (etatMarquage().MarquageActif) {
        document.définirGras(true);
        document.définirCouleur(CouleurValeurChangée);
    }
    // Une valeur ne peut pas couper la ligne en deux.
    QString v = valeur;
    v.replace(u'\r', u' ').replace(u'\n', u' ');
    document.remplacerSélection(QStringLiteral(" ") + v);
    return true;
}

QString ChangeCaractère(const QString& texte, const QString& ancien, const QString& nouveau) {
    if (ancien.isEmpty()) return texte;
    QString r;
    r.reserve(texte.size());
    for (qsizetype i = 0; i < texte.size();) {
        if (Texte::egauxSansCasse(texte.mid(i, ancien.size()), ancien)) {
            r += nouveau;
            i += ancien.size();
        } else {
            r += texte[i++];
        }
    }
    return r;
}
