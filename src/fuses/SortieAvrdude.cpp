#include "fuses/SortieAvrdude.h"

#include "noyau/DOSClass.h"

#include <QRegularExpression>

namespace Avrdude {

QString mémoire(Octet octet, const DescriptionAVR& d) {
    switch (octet) {
    case Octet::Etendu:
        return QStringLiteral("efuse");
    case Octet::Haut:
        return QStringLiteral("hfuse");
    case Octet::Bas:
        // avrdude appelle « fuse » l'octet unique des AT90S, ATtiny11/12/15, ATmega103/161… et
        // ignore « lfuse » pour eux en prévenant seulement : la lecture ne rendrait rien.
        return d.FusibleHautPrésent || d.FusibleEtenduPrésent ? QStringLiteral("lfuse")
                                                              : QStringLiteral("fuse");
    case Octet::Verrou:
        return QStringLiteral("lock");
    }
    return {};
}

QString nomOctet(Octet octet, const DescriptionAVR& d) {
    switch (octet) {
    case Octet::Etendu:
        return QStringLiteral("fusible étendu");
    case Octet::Haut:
        return QStringLiteral("fusible haut");
    case Octet::Bas:
        return d.FusibleHautPrésent || d.FusibleEtenduPrésent ? QStringLiteral("fusible bas")
                                                              : QStringLiteral("fusible");
    case Octet::Verrou:
        return QStringLiteral("verrouillage");
    }
    return {};
}

QString argument(const QString& valeur) {
    const bool àProtéger = valeur.isEmpty() || valeur.contains(u' ') || valeur.contains(u'\t') ||
                           valeur.contains(u'"') || valeur.contains(u'\'');
    if (!àProtéger) return valeur;
    const QChar guillemet = valeur.contains(u'"') ? u'\'' : u'"';
    return guillemet + valeur + guillemet;
}

QString préfixe(const QString& programme, const QString& partie, const QString& port,
                const QString& programmateur) {
    return argument(programme) + QStringLiteral(" -p ") + argument(partie) + QStringLiteral(" -P ") +
           argument(port) + QStringLiteral(" -c ") + argument(programmateur);
}

QString commandeLecture(const QString& préfixe, const QString& mémoire) {
    return préfixe + QStringLiteral(" -U ") + mémoire + QStringLiteral(":r:") + QStringLiteral("-:r");
}

QString commandeEcriture(const QString& préfixe, const QString& mémoire, int valeur, bool sécurité) {
    return préfixe + (sécurité ? QStringLiteral(" -u") : QString()) + QStringLiteral(" -U ") + mémoire +
           QStringLiteral(":w:") + QString::number(valeur) + QStringLiteral(":m");
}

// --- Version --------------------------------------------------------------------------------

namespace {

struct VersionRetenue {
    bool demandée = false;
    Version version;
};

VersionRetenue& versionRetenue() {
    static VersionRetenue v;
    return v;
}

} // namespace

Version lireVersion(const QString& texte) {
    static const QRegularExpression motif(QStringLiteral(R"(avrdude:?\s+version\s+(\d+)\.(\d+))"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = motif.match(texte);
    if (!m.hasMatch()) return {};
    return {m.captured(1).toInt(), m.captured(2).toInt()};
}

Version versionInstallée(const QString& programme, DOSClass* dos) {
    VersionRetenue& r = versionRetenue();
    if (r.demandée) return r.version;
    DOSClass local;
    DOSClass& d = dos ? *dos : local;
    d.setCommandName(argument(programme) + QStringLiteral(" -?"));
    const std::int32_t statut = d.ExecuteCommand(true);
    if (statut == DOSClass::StatutAnnule) return {};
    r.demandée = true;
    if (statut == 0) r.version = lireVersion(d.Outputs());
    return r.version;
}

void oublierVersion() {
    versionRetenue() = {};
}

bool optionSécurité(const Version& v) {
    return !v.connue() || v.majeure < 7;
}

// --- Sortie ---------------------------------------------------------------------------------

bool ligneAnodine(QStringView ligne) {
    // avrdude 7 signale ainsi l'option -u, qu'il ignore, avant d'écrire normalement.
    return ligne.contains(u"\"safemode\" feature no longer supported", Qt::CaseInsensitive);
}

bool contient(const QString& sortie, QStringView mot) {
    qsizetype début = 0;
    while (début <= sortie.size()) {
        qsizetype fin = sortie.indexOf(u'\n', début);
        if (fin < 0) fin = sortie.size();
        const QStringView ligne = QStringView(sortie).mid(début, fin - début);
        if (ligne.contains(mot, Qt::CaseInsensitive) && !ligneAnodine(ligne)) return true;
        début = fin + 1;
    }
    return false;
}

bool signeDeCommunication(const QString& sortie) {
    // « programmer is not responding » (STK500 version 1, avrisp) ; la version 2 ne dit que
    // « timeout communicating with programmer », pendant des minutes.
    return contient(sortie, u"not responding") || contient(sortie, u"timeout communicating with programmer");
}

bool signeDErreur(const QString& sortie) {
    return contient(sortie, u"error");
}

std::optional<std::uint8_t> octetLu(const QString& sortie) {
    static const QString annonce = QStringLiteral("writing output file");
    static const QString nom = QStringLiteral("<stdout>");
    const qsizetype a = sortie.indexOf(annonce, 0, Qt::CaseInsensitive);
    if (a < 0) return std::nullopt;
    qsizetype p = sortie.indexOf(nom, a + annonce.size());
    // Le nom suit l'annonce sur la même ligne.
    if (p < 0 || sortie.mid(a, p - a).contains(u'\n')) return std::nullopt;
    p += nom.size();
    // Anciennes versions : « "<stdout>" ».
    if (p < sortie.size() && sortie.at(p) == u'"') ++p;
    // Exactement une fin de ligne ; l'octet qui suit peut lui-même être un CR ou un LF.
    if (QStringView(sortie).mid(p).startsWith(u"\r\n"))
        p += 2;
    else if (p < sortie.size() && sortie.at(p) == u'\n')
        p += 1;
    else
        return std::nullopt;
    if (p >= sortie.size()) return std::nullopt;
    const char16_t c = sortie.at(p).unicode();
    // La sortie est lue un octet par caractère : au-delà, ce n'est pas un octet d'avrdude.
    if (c > 0xFF) return std::nullopt;
    return static_cast<std::uint8_t>(c);
}

bool écritureConfirmée(const QString& sortie, const QString& mémoire) {
    const QRegularExpression motif(
        QStringLiteral(R"(\bbytes? of %1 (written|verified)\b)").arg(QRegularExpression::escape(mémoire)),
        QRegularExpression::CaseInsensitiveOption);
    return motif.match(sortie).hasMatch();
}

namespace {

// Ce qui précède la valeur ou la confirmation, commun aux deux analyses.
std::optional<Issue> échec(const Exécution& e) {
    if (e.statut != 0 && e.statut != DOSClass::StatutAnnule) return Issue::Introuvable;
    if (signeDeCommunication(e.sortie)) return Issue::Communication;
    if (e.statut == DOSClass::StatutAnnule) return Issue::Interrompue;
    if (signeDErreur(e.sortie) || e.codeSortie != 0) return Issue::Erreur;
    return std::nullopt;
}

} // namespace

Bilan analyserLecture(const Exécution& e) {
    if (const auto i = échec(e)) return {*i, std::nullopt};
    const auto valeur = octetLu(e.sortie);
    // Sans la valeur (mémoire inconnue du composant, sortie inattendue), rien n'est deviné.
    if (!valeur) return {Issue::Erreur, std::nullopt};
    return {Issue::Faite, valeur};
}

Bilan analyserEcriture(const Exécution& e, const QString& mémoire) {
    if (const auto i = échec(e)) return {*i, std::nullopt};
    // avrdude saute sans erreur une mémoire que le composant n'a pas : rien n'a été écrit.
    if (!écritureConfirmée(e.sortie, mémoire)) return {Issue::Erreur, std::nullopt};
    return {Issue::Faite, std::nullopt};
}

} // namespace Avrdude
