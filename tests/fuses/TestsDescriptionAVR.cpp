#include "fuses/DescriptionAVR.h"
#include "noyau/EtatGlobal.h"
#include "outils/OutilsTests.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <tuple>
#include <utility>

using OutilsTests::dossierSources;
using OutilsTests::ecrireFichier;
using OutilsTests::lireFichier;

namespace {

const QString SousDossier = QStringLiteral("/Description des AVR");

QString dossierLivré() {
    return dossierSources() + QStringLiteral("/data") + SousDossier;
}

// Octet de fusibles dont le bit i s'appelle prefixe + i.
QString octet(const QString& nom, const QString& prefixe) {
    QString x = QStringLiteral("<%1>").arg(nom);
    for (int i = 0; i < 8; ++i)
        x += QStringLiteral("<FUSE%1><NAME>%2%1</NAME></FUSE%1>").arg(QString::number(i), prefixe);
    return x + QStringLiteral("</%1>").arg(nom);
}

// Section de verrouillage : le nombre annoncé, puis les noms V0, V1… de autant d'éléments que donnés.
QString verrous(const QString& nombre, int elements) {
    QString x = QStringLiteral("<LOCKBIT><NMB_LOCK_BITS>%1</NMB_LOCK_BITS>").arg(nombre);
    for (int i = 0; i < elements; ++i)
        x += QStringLiteral("<LOCKBIT%1><NAME>V%1</NAME></LOCKBIT%1>").arg(i);
    return x + QStringLiteral("</LOCKBIT>");
}

QString partie(const QString& liste, const QString& contenu) {
    return QStringLiteral("<AVRPART><FUSE><LIST>%1</LIST>%2</FUSE>").arg(liste, contenu);
}

// Les trois octets, bits B0…, H0…, E0….
QString troisOctets() {
    return octet("LOW", "B") + octet("HIGH", "H") + octet("EXTENDED", "E");
}

class DescriptionAVRTest : public ::testing::Test {
protected:
    void SetUp() override {
        etatGlobal().réinitialiser();
        descriptionAVR().réinitialiser();
        etatGlobal().DossierInstallation = installation.path();
        QDir().mkpath(installation.path() + SousDossier);
    }
    void TearDown() override {
        etatGlobal().réinitialiser();
        descriptionAVR().réinitialiser();
    }

    QString ecrire(const QString& mcu, const QString& xml) {
        const QString chemin = installation.path() + SousDossier + u'/' + mcu + QStringLiteral(".xml");
        ecrireFichier(chemin, xml.toUtf8());
        return chemin;
    }
    // Un composant précédent qui a tout rempli : trois octets, neuf verrous.
    void remplirCommeUnComposantPrécédent() {
        ecrire("precedent", partie("[LOW:HIGH:EXTENDED]", troisOctets()) + verrous("8", 9) + "</AVRPART>");
        ASSERT_TRUE(ChargerDescriptionAVR(QStringLiteral("precedent")).réussi());
        ASSERT_EQ(descriptionAVR().NomsVerrou[8], QStringLiteral("V8"));
    }

    QTemporaryDir installation;
};

} // namespace

TEST_F(DescriptionAVRTest, LectureDeLaListeDesOctets) {
    const DescriptionAVR& d = descriptionAVR();
    auto charger = [&](const QString& liste) {
        ecrire("essai", partie(liste, troisOctets()) + verrous("0", 0) + "</AVRPART>");
        descriptionAVR().réinitialiser();
        const auto r = ChargerDescriptionAVR(QStringLiteral("essai"));
        EXPECT_TRUE(r.réussi()) << liste.toStdString() << " : " << r.message.toStdString();
        return QString(d.FusibleBasPrésent ? "B" : "") + (d.FusibleHautPrésent ? "H" : "") +
               (d.FusibleEtenduPrésent ? "E" : "");
    };
    // Éléments rognés ; inconnus (« low » compris) et vides ignorés ; une liste démesurée lue d'un coup.
    const QString longue =
        u'[' + QStringList(250000, QStringLiteral("LOW")).join(u':') + QStringLiteral(":HIGH]");
    for (const auto& [liste, attendu] : {std::pair<QString, QString>{"( EXTENDED :LOW )", "BE"},
                                         {"[LOW::MEDIUM:EXTENDED]", "BE"},
                                         {"[]", ""},
                                         {longue, "BH"}})
        EXPECT_EQ(charger(liste), attendu) << liste.left(30).toStdString();
}

TEST_F(DescriptionAVRTest, VerrousLusJusquAuNombreAnnonceInclusEtRienDeRestantAuDela) {
    // Six annoncés, sept présents : 0 à 6 lus, le reste vidé ; négatif : rien ; neuf : échec signalé.
    const DescriptionAVR& d = descriptionAVR();
    for (const auto& [nombre, éléments, lus, état] :
         {std::tuple{"6", 7, 7, EtatDescriptionAVR::Chargée},
          std::tuple{"-3", 2, 0, EtatDescriptionAVR::Chargée},
          std::tuple{"9", 10, 9, EtatDescriptionAVR::TropDeVerrous}}) {
        SCOPED_TRACE(nombre);
        remplirCommeUnComposantPrécédent();
        ecrire("v", partie("[LOW]", octet("LOW", "L")) + verrous(nombre, éléments) + "</AVRPART>");
        const auto r = ChargerDescriptionAVR(QStringLiteral("v"));
        EXPECT_EQ(std::tuple(r.état, r.message.contains(u'9'), d.FusibleBasPrésent, d.FusibleHautPrésent),
                  std::tuple(état, état != EtatDescriptionAVR::Chargée, true, false));
        for (int i = 0; i < DescriptionAVR::TailleTable; ++i)
            EXPECT_EQ(d.NomsVerrou[i], i < lus ? QStringLiteral("V%1").arg(i) : QString()) << i;
    }
}

// Fichier absent, endommagé, autre document, liste d'octets invalide : rien de créé ni d'écrit, rien
// gardé du composant précédent ; une liste trop courte laisse lire les verrous.
TEST_F(DescriptionAVRTest, ÉchecsSansRienÉcrireNiGarder) {
    const QString bas = octet("LOW", "B"), fin = verrous("1", 2) + "</AVRPART>";
    const struct {
        QString xml;
        EtatDescriptionAVR état;
        int verrousLus;
    } cas[] = {
        {{}, EtatDescriptionAVR::FichierAbsent, 0},
        {partie("[", bas) + fin, EtatDescriptionAVR::ListeFusiblesInvalide, 2},
        {"<AVRPART><FUSE><LIST>[LOW:HIGH]</LIST><LOW>", EtatDescriptionAVR::FichierIllisible, 0},
        {"<Paramètres><Silence>1</Silence></Paramètres>", EtatDescriptionAVR::ListeFusiblesInvalide, 0}};
    const DescriptionAVR& d = descriptionAVR();
    for (const auto& c : cas) {
        SCOPED_TRACE(c.xml.left(40).toStdString());
        remplirCommeUnComposantPrécédent();
        const QString chemin =
            c.xml.isEmpty() ? CheminDescriptionAVR("atmega9999") : ecrire("atmega9999", c.xml);
        const auto r = ChargerDescriptionAVR(QStringLiteral("atmega9999"));
        EXPECT_EQ(std::tuple(r.état, r.message.isEmpty(), QFileInfo::exists(chemin), lireFichier(chemin)),
                  std::tuple(c.état, false, !c.xml.isEmpty(), c.xml.toUtf8()));
        EXPECT_FALSE(d.FusibleBasPrésent || d.FusibleHautPrésent || d.FusibleEtenduPrésent);
        for (int i = 0; i < DescriptionAVR::TailleTable; ++i)
            EXPECT_EQ(d.NomsVerrou[i], i < c.verrousLus ? QStringLiteral("V%1").arg(i) : QString()) << i;
        QFile::remove(chemin);
    }

    // Un dossier à la place du fichier.
    QDir().mkpath(CheminDescriptionAVR(QStringLiteral("dossier")));
    EXPECT_EQ(ChargerDescriptionAVR(QStringLiteral("dossier")).état, EtatDescriptionAVR::FichierIllisible);
}

TEST_F(DescriptionAVRTest, NomsQuiSortiraientDuDossierRefusés) {
    // Un XML au-dessus du dossier des descriptions, que « ../ » atteindrait : lu, il montrerait un octet.
    ecrireFichier(installation.path() + "/Paramètres.xml",
                  (partie("[LOW]", octet("LOW", "B")) + "</AVRPART>").toUtf8());
    for (const QString& nom : {QString(), QStringLiteral("../Paramètres"), QStringLiteral("atmégа8")}) {
        const auto r = ChargerDescriptionAVR(nom);
        EXPECT_EQ(std::tuple(r.état, r.message.isEmpty(), descriptionAVR().FusibleBasPrésent),
                  std::tuple(EtatDescriptionAVR::NomInvalide, false, false))
            << nom.toStdString();
    }
}

namespace {

// Noms des bits tels que le préprocesseur du compilateur les définit pour un composant.
struct NomsDuCompilateur {
    std::map<QString, std::map<int, QString>> octets; // LOW, HIGH, EXTENDED -> bit -> nom
    std::map<int, QString> verrous;
    QString erreur;
};

// Les #define d'avr/io.h et avr/lock.h : les bits d'un octet précèdent sa valeur par défaut
// (LFUSE_DEFAULT…), qui dit leur octet ; les modes de verrouillage placent les bits LB et BLB.
NomsDuCompilateur nomsDuCompilateur(const QString& mcu, const QString& source) {
    NomsDuCompilateur r;
    QByteArray sortie, erreurs;
    if (OutilsTests::executer("avr-gcc", {"-mmcu=" + mcu, "-E", "-dD", source}, &sortie, &erreurs) != 0) {
        r.erreur = QString::fromUtf8(erreurs);
        return r;
    }
    static const QRegularExpression bitFusible(R"(^#define FUSE_(\w+) +(?:\(unsigned char\))?~_BV\((\d)\)$)");
    static const QRegularExpression défaut(R"(^#define ([LHE]?)FUSE_DEFAULT )");
    static const QRegularExpression mode(R"(^#define (LB|BLB0|BLB1)_MODE_3 \((0x[0-9A-Fa-f]+)\)$)");
    static const QRegularExpression verrou(R"(^#define (BLB[A-Z]*[01]) ~_BV\((\d)\)$)");
    const std::map<QString, QString> octetDe{{"", "LOW"}, {"L", "LOW"}, {"H", "HIGH"}, {"E", "EXTENDED"}};
    std::map<int, QString> enAttente;
    for (const QString& ligne : QString::fromUtf8(sortie).split(u'\n')) {
        const QString l = ligne.trimmed();
        if (auto m = bitFusible.match(l); m.hasMatch()) {
            const int bit = m.captured(2).toInt();
            if (enAttente.count(bit)) r.erreur += "bit " + m.captured(2) + " défini deux fois ; ";
            enAttente[bit] = m.captured(1);
        } else if (auto d = défaut.match(l); d.hasMatch()) {
            r.octets[octetDe.at(d.captured(1))] = enAttente;
            enAttente.clear();
        } else if (auto v = mode.match(l); v.hasMatch()) {
            // Le mode 3 programme les deux bits de la paire : LB1 et LB2, BLB01 et BLB02…
            const int effacés = ~v.captured(2).toInt(nullptr, 16) & 0xFF;
            int rang = 1;
            for (int bit = 0; bit < 8; ++bit)
                if (effacés & (1 << bit)) r.verrous[bit] = v.captured(1) + QString::number(rang++);
        } else if (auto b = verrou.match(l); b.hasMatch()) {
            r.verrous[b.captured(2).toInt()] = b.captured(1);
        }
    }
    if (!enAttente.empty()) r.erreur += "bits sans valeur par défaut qui dise leur octet";
    return r;
}

} // namespace

// Le générateur, lancé sur l'avr-gcc installé, écrit les descriptions livrées ; chacune se charge sans
// être réécrite, et les noms lus sont ceux que le compilateur définit pour le même composant.
TEST_F(DescriptionAVRTest, DescriptionsLivréesÉgalesAuGénérateurEtAuCompilateur) {
    EXIGER_OUTILS("python3", "avr-gcc");
    const QString script = dossierSources() + "/scripts/generer_descriptions_avr.py",
                  dossier = installation.path() + SousDossier;
    QByteArray journal;
    ASSERT_EQ(OutilsTests::executer("python3", {script, "--sortie", dossier}, &journal), 0)
        << journal.toStdString();
    const QStringList livrés = QDir(dossierLivré()).entryList({QStringLiteral("*.xml")}, QDir::Files);
    EXPECT_EQ(QDir(dossier).entryList({QStringLiteral("*.xml")}, QDir::Files), livrés);
    for (const QString& f : livrés) {
        const auto r = ChargerDescriptionAVR(QFileInfo(f).completeBaseName());
        EXPECT_TRUE(r.réussi()) << f.toStdString() << " : " << r.message.toStdString();
        EXPECT_EQ(lireFichier(r.fichier), lireFichier(dossierLivré() + u'/' + f)) << f.toStdString();
    }
    EXPECT_TRUE(ChargerDescriptionAVR(QStringLiteral("ATmega8")).réussi()); // capitales du makefile
    const QString source = installation.filePath(QStringLiteral("noms.c"));
    ecrireFichier(source, "#include <avr/io.h>\n#include <avr/lock.h>\n");
    const DescriptionAVR& d = descriptionAVR();
    for (const QString mcu :
         {"atmega8", "atmega16", "atmega328p", "atmega2560", "attiny13", "attiny85", "attiny2313",
          "atmega32u4", "atmega161", "atmega128rfa1", "at90pwm3b", "at90s2313", "attiny10", "ata5790"}) {
        SCOPED_TRACE(mcu.toStdString());
        const NomsDuCompilateur c = nomsDuCompilateur(mcu, source);
        ASSERT_TRUE(c.erreur.isEmpty()) << c.erreur.toStdString();
        ASSERT_FALSE(c.octets.empty() && c.verrous.empty());
        descriptionAVR().réinitialiser();
        const auto r = ChargerDescriptionAVR(mcu);
        ASSERT_TRUE(r.réussi()) << r.message.toStdString();

        const std::tuple<const char*, bool, const std::array<QString, DescriptionAVR::TailleTable>&>
            octetsLus[] = {{"LOW", d.FusibleBasPrésent, d.NomsFusibleBas},
                           {"HIGH", d.FusibleHautPrésent, d.NomsFusibleHaut},
                           {"EXTENDED", d.FusibleEtenduPrésent, d.NomsFusibleEtendu}};
        for (const auto& [octet, présent, noms] : octetsLus) {
            const auto it = c.octets.find(octet);
            // Un octet dont le compilateur ne nomme aucun bit n'est pas montré.
            const bool attendu = it != c.octets.end() && !it->second.empty();
            EXPECT_EQ(présent, attendu) << octet;
            for (int bit = 0; attendu && bit < 8; ++bit) {
                const auto nom = it->second.find(bit);
                EXPECT_EQ(noms[bit], nom == it->second.end() ? "-" : nom->second) << octet << " bit " << bit;
            }
        }
        const int nombre = c.verrous.empty() ? 0 : c.verrous.rbegin()->first + 1;
        for (int bit = 0; bit < 8; ++bit) {
            const auto nom = c.verrous.find(bit);
            const QString attendu = nom != c.verrous.end() ? nom->second : bit < nombre ? "-" : "";
            EXPECT_EQ(d.NomsVerrou[bit], attendu) << "verrou " << bit;
        }
    }
}
