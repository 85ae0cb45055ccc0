#include "fuses/SortieAvrdude.h"

#include "noyau/DOSClass.h"
#include "noyau/ValeursMakefile.h"

#include <QRegularExpression>
#include <QTimer>

namespace Avrdude {

namespace {
// Un seul octet de fusibles (AT90S, ATtiny11/12/15, ATmega103/161…) : avrdude l'appelle « fuse ».
bool octetUnique(const DescriptionAVR& d) {
    return !d.FusibleHautPrésent && !d.FusibleEtenduPrésent;
}
} // namespace

QString mémoire(Octet octet, const DescriptionAVR& d) {
    switch (octet) {
    case Octet::Etendu:
        return QStringLiteral("efuse");
    case Octet::Haut:
        return QStringLiteral("hfuse");
    case Octet::Bas:
        // avrdude ignore « lfuse » pour eux en prévenant seulement : la lecture ne rendrait rien.
        return octetUnique(d) ? QStringLiteral("fuse") : QStringLiteral("lfuse");
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
        return octetUnique(d) ? QStringLiteral("fusible") : QStringLiteral("fusible bas");
    case Octet::Verrou:
        return QStringLiteral("verrouillage");
    }
    return {};
}

QString sansCommentaire(const QString& valeur) {
    return valeurSansCommentaire(valeur);
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

namespace {

// Position de l'octet brut écrit sur la sortie standard ; -1 s'il n'y est pas.
qsizetype positionOctetLu(const QString& sortie) {
    static const QString annonce = QStringLiteral("writing output file");
    static const QString nom = QStringLiteral("<stdout>");
    const qsizetype a = sortie.indexOf(annonce, 0, Qt::CaseInsensitive);
    if (a < 0) return -1;
    qsizetype p = sortie.indexOf(nom, a + annonce.size());
    // Le nom suit l'annonce sur la même ligne.
    if (p < 0 || sortie.mid(a, p - a).contains(u'\n')) return -1;
    p += nom.size();
    // Anciennes versions : « "<stdout>" ».
    if (p < sortie.size() && sortie.at(p) == u'"') ++p;
    // Exactement une fin de ligne ; l'octet qui suit peut lui-même être un CR ou un LF.
    if (QStringView(sortie).mid(p).startsWith(u"\r\n"))
        p += 2;
    else if (p < sortie.size() && sortie.at(p) == u'\n')
        p += 1;
    else
        return -1;
    if (p >= sortie.size()) return -1;
    // La sortie est lue un octet par caractère : au-delà, ce n'est pas un octet d'avrdude.
    if (sortie.at(p).unicode() > 0xFF) return -1;
    return p;
}

} // namespace

std::optional<std::uint8_t> octetLu(const QString& sortie) {
    const qsizetype p = positionOctetLu(sortie);
    if (p < 0) return std::nullopt;
    return static_cast<std::uint8_t>(sortie.at(p).unicode());
}

QString texteConsole(const QString& sortie) {
    const qsizetype p = positionOctetLu(sortie);
    if (p < 0) return sortie;
    QString valeur =
        QStringLiteral("0x") + QString::number(sortie.at(p).unicode(), 16).rightJustified(2, u'0').toUpper();
    // Un octet brut n'a pas de fin de ligne à lui : la ligne suivante ne doit pas s'y coller.
    const bool finDeLigneSuit =
        p + 1 < sortie.size() && (sortie.at(p + 1) == u'\n' || sortie.at(p + 1) == u'\r');
    if (!finDeLigneSuit && p + 1 < sortie.size()) valeur += u'\n';
    return sortie.left(p) + valeur + sortie.mid(p + 1);
}

bool écritureConfirmée(const QString& sortie, const QString& mémoire) {
    const QRegularExpression motif(
        QStringLiteral(R"(\bbytes? of %1 (written|verified)\b)").arg(QRegularExpression::escape(mémoire)),
        QRegularExpression::CaseInsensitiveOption);
    return motif.match(sortie).hasMatch();
}

// --- Description du composant par avrdude ---------------------------------------------------

namespace {

constexpr qsizetype TailleMaximalePartie = 1 << 20;

QMap<QString, std::optional<DescriptionPartie>>& partiesRetenues() {
    static QMap<QString, std::optional<DescriptionPartie>> p;
    return p;
}

} // namespace

std::optional<DescriptionPartie> analyserPartie(const QString& sortie) {
    static const QRegularExpression débutPartie(QStringLiteral(R"(^part\b)"));
    static const QRegularExpression débutMémoire(QStringLiteral(R"re(^memory\s+"([^"]+)"\s*$)re"));
    static const QRegularExpression instruction(QStringLiteral(R"(^(read|write)\s*=\s*")"));
    DescriptionPartie d;
    int parties = 0;
    QString mémoire;
    for (const QString& brute : sortie.split(u'\n')) {
        const QString ligne = brute.trimmed();
        if (débutPartie.match(ligne).hasMatch()) {
            ++parties;
            mémoire.clear();
        } else if (const auto m = débutMémoire.match(ligne); m.hasMatch()) {
            mémoire = m.captured(1);
            d.mémoires[mémoire].présente = true;
        } else if (ligne == u";") {
            mémoire.clear();
        } else if (const auto i = instruction.match(ligne); i.hasMatch() && !mémoire.isEmpty()) {
            AccèsMémoire& a = d.mémoires[mémoire];
            (i.captured(1) == u"read" ? a.lecture : a.écriture) = true;
        }
    }
    // Un seul composant, avec au moins une mémoire : sinon ce n'est pas la réponse attendue.
    if (parties != 1 || d.mémoires.isEmpty()) return std::nullopt;
    return d;
}

std::optional<DescriptionPartie> descriptionPartie(const QString& programme, const QString& partie,
                                                   DOSClass* dos, int délaiMs) {
    auto& retenues = partiesRetenues();
    if (const auto it = retenues.constFind(partie); it != retenues.constEnd()) return *it;
    // Un nom qui n'est pas un identifiant simple ferait lister d'autres composants (« * »).
    static const QRegularExpression identifiant(QStringLiteral(R"(^[A-Za-z0-9_+.-]{1,40}$)"));
    if (!identifiant.match(partie).hasMatch()) return std::nullopt;
    DOSClass local;
    DOSClass& d = dos ? *dos : local;
    d.setCommandName(argument(programme) + QStringLiteral(" -p ") + partie + QStringLiteral("/S"));
    bool dépassé = false;
    QTimer délai;
    délai.setSingleShot(true);
    QObject::connect(&délai, &QTimer::timeout, &d, [&d, &dépassé] {
        dépassé = true;
        d.KillCommand();
    });
    qsizetype reçus = 0;
    const QMetaObject::Connection flot =
        QObject::connect(&d, &DOSClass::ReceiveOutputs, &d, [&d, &dépassé, &reçus](const QString& morceau) {
            reçus += morceau.size();
            if (reçus > TailleMaximalePartie && !dépassé) {
                dépassé = true;
                d.KillCommand();
            }
        });
    délai.start(délaiMs);
    const std::int32_t statut = d.ExecuteCommand(true);
    délai.stop();
    QObject::disconnect(flot);
    // Arrêtée par l'appelant : rien n'est retenu, la prochaine ouverture redemandera.
    if (statut == DOSClass::StatutAnnule && !dépassé) return std::nullopt;
    std::optional<DescriptionPartie> r;
    if (statut == 0 && !dépassé) r = analyserPartie(d.Outputs());
    retenues.insert(partie, r);
    return r;
}

void oublierParties() {
    partiesRetenues().clear();
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
