// Configuration des ports et squelette de projet : les textes exacts des deux moments où un port
// est réglé, les repères remplacés une fois, les valeurs qui ne cassent pas le C autour d'elles, et
// la preuve avec les vrais outils : chaque modèle, pour chaque composant du fichier des
// possibilités, avec toutes les inclusions et un port réglé, compile par make sans avertissement.
#include "assistant/project/ConfigurationPorts.h"
#include "assistant/project/GenerateurProjet.h"
#include "assistant/timers/CapacitesComposant.h"
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsTests.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <memory>

using namespace OutilsTests;

namespace {

QString fichierConfiguration() {
    return dossierSources() + QStringLiteral("/data/Configuration.xml");
}
QString dossierModèles() {
    return dossierSources() + QStringLiteral("/data/Modèle");
}

LignePort portB(int direction, int pullUp, int ignorer = 0) {
    LignePort l;
    l.nom = QStringLiteral("B");
    l.direction = int16_t(direction);
    l.pullUp = int16_t(pullUp);
    l.ignorer = int16_t(ignorer);
    l.réglage = LignePort::Réglage::Fermé;
    return l;
}

} // namespace

TEST(ConfigurationPorts, TextesDesDeuxMomentsEtPortsDuComposant) {
    EXPECT_EQ(DeciHexa(10, 2), "0A");
    EXPECT_EQ(DeciHexa(0x1FF, 2), "1FF");
    const LectureBits l = lireBits({true, true, false, false, true, false, false, false});
    EXPECT_EQ(l.valeur, 0xC8);
    EXPECT_EQ(l.listeUn, "7,6,3");
    EXPECT_EQ(l.listeZéro, "5,4,2,1,0");

    struct Cas {
        int direction, pullUp;
        const char* fermant;
        const char* quittant;
    };
    const Cas cas[] = {
        {0xF0, 0x03,
         "\tDDRB=0xF0; // Bits 3,2,1,0 en entrée et 7,6,5,4 en sortie.\r\n\tPORTB=0x03; // Pull-Up ou sortie "
         "à NL1 "
         "sur 1,0.\r\n",
         "\tDDRB=0xF0; // Bit 3,2,1,0 en entrée et 7,6,5,4 en sortie.\r\n\tPORTB=0x03; // Pull-Up sur Bit "
         "1,0.\r\n"},
        {0xFF, 0x00, "\tDDRB=0xFF; // Tout en sortie.\r\n",
         "\tDDRB=0xFF; // Tout en sortie.\r\n\tPORTB=0x00; // Pas de Pull-Up.\r\n"},
        {0x00, 0xFF,
         "\tDDRB=0x00; // Tout en entrée.\r\n\tPORTB=0xFF; // Pull-Up sur toutes les entrées.\r\n",
         "\tDDRB=0x00; // Tout en entrée.\r\n\tPORTB=0xFF; // Pull-Up sur toutes les entrées.\r\n"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.direction);
        EXPECT_EQ(ConfigurationPorts::blocEnFermant(portB(c.direction, c.pullUp)), c.fermant);
        EXPECT_EQ(ConfigurationPorts::blocEnQuittantLePort(portB(c.direction, c.pullUp)), c.quittant);
    }
    EXPECT_EQ(ConfigurationPorts::blocEnFermant(portB(0xFF, 0xFF, 1)), "");

    // L'ATmega8 : port C à sept bits. Le bit absent ne se coche pas, ne s'écrit pas, et un port
    // que le composant n'a pas (A, resté d'une table précédente) ou qu'on n'a pas réglé n'écrit rien.
    const std::vector<PortComposant> ports =
        ConfigurationPorts::lirePorts(fichierConfiguration(), QStringLiteral("Processeur(0)"));
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[1].nom, "C");
    EXPECT_FALSE(ports[1].ligneDisponible(0));
    EXPECT_TRUE(ports[1].ligneDisponible(1));
    EXPECT_EQ(ports[1].masque(), 0x7F);
    TablePorts table = ConfigurationPorts::nouvelleTable(ports);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(ConfigurationPorts::texteConfiguration(table, ports), "");
    table[1].direction = 0xFF;
    table[1].réglage = LignePort::Réglage::Fermé;
    // Chaque port garde la formulation du moment où il a été réglé.
    table[2].direction = 0xF0;
    table[2].pullUp = 0x03;
    table[2].réglage = LignePort::Réglage::Quitté;
    LignePort a = portB(0xFF, 0);
    a.nom = QStringLiteral("A");
    table.push_back(a);
    EXPECT_EQ(ConfigurationPorts::texteConfiguration(table, ports),
              "// Configuration des ports\r\n\tDDRC=0x7F; // Tout en sortie.\r\n"
              "\tDDRD=0xF0; // Bit 3,2,1,0 en entrée et 7,6,5,4 en sortie.\r\n"
              "\tPORTD=0x03; // Pull-Up sur Bit 1,0.\r\n");
}

TEST(GenerateurProjet, RepèresUneFoisEtValeursQuiNeCassentPasLeC) {
    EnregistreurMessages messages;
    QTemporaryDir dossier;
    ecrireFichier(
        dossier.filePath("Essai.c.Modèle"),
        "%Nom% /* %Commentaire% */\n// %Auteur%\n%Nom% %Version%%Freq%\nint x; /* %Entreprise% */\n");
    EntréesProjet e;
    e.dossierModèles = dossier.path();
    e.détails.Nom = QStringLiteral("Robot");
    e.détails.Commentaire = QStringLiteral("fin */ int piège; /* encore");
    e.détails.Auteur = QStringLiteral("Ada\nint piège2;\\");
    e.fréquenceCPU = QStringLiteral("3686400");
    e.locale = QLocale(QLocale::French, QLocale::France);
    DocumentRiche tampon;
    const RésultatProjet r = GénérerLeCodeProjet(e, tampon);
    ASSERT_TRUE(r.généré);
    EXPECT_EQ(r.modèle, "Essai");
    // Le repère du premier caractère est remplacé ; le second « %Nom% » reste tel quel.
    EXPECT_EQ(tampon.texte(),
              "Robot  /* fin * / int piège; / * encore  */\r\n// Ada\r\n// int piège2;\\. \r\n"
              "%Nom%  3,6864 MHz \r\nint x; /*   */\r\n");
    EXPECT_EQ(tampon.formatEn(0).couleur, (CouleurRVB{0, 192, 192}));
    EXPECT_EQ(tampon.formatEn(0).police, "Times New Roman");
    EXPECT_TRUE(messages.messages.empty());

    // Sans modèle : le message, et le tampon garde son contenu.
    QTemporaryDir vide;
    e.dossierModèles = vide.path();
    EXPECT_FALSE(GénérerLeCodeProjet(e, tampon).généré);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].titre, "Rararerovu");
    EXPECT_TRUE(tampon.texte().startsWith("Robot"));
}

namespace {

// Lance les commandes deux à deux (une par cœur) ; rend, pour chacune, son code et sa sortie.
std::vector<std::pair<int, QString>>
exécuterDeuxÀDeux(const std::vector<std::pair<QString, QStringList>>& commandes,
                  const QStringList& dossiers) {
    std::vector<std::unique_ptr<QProcess>> processus;
    std::vector<std::pair<int, QString>> résultats(commandes.size());
    auto finir = [&](size_t i) {
        processus[i]->waitForFinished(120000);
        résultats[i] = {processus[i]->exitCode(), QString::fromUtf8(processus[i]->readAll())};
    };
    for (size_t i = 0; i < commandes.size(); ++i) {
        if (i >= 2) finir(i - 2);
        processus.push_back(std::make_unique<QProcess>());
        processus[i]->setProcessChannelMode(QProcess::MergedChannels);
        processus[i]->setWorkingDirectory(dossiers[qsizetype(i)]);
        processus[i]->start(commandes[i].first, commandes[i].second);
    }
    for (size_t i = commandes.size() >= 2 ? commandes.size() - 2 : 0; i < commandes.size(); ++i)
        finir(i);
    return résultats;
}

// Le fichier principal d'un projet : toutes les inclusions cochées, le premier port réglé.
QByteArray projetPour(const QString& mcu, const QString& modèle) {
    CapacitésComposant c;
    EXPECT_TRUE(CapacitesComposant::lire(fichierConfiguration(), mcu, c));
    const std::vector<PortComposant> ports = ConfigurationPorts::lirePorts(fichierConfiguration(), c.chemin);
    EXPECT_FALSE(ports.empty()) << mcu.toStdString();
    TablePorts table = ConfigurationPorts::nouvelleTable(ports);
    if (!table.empty()) {
        table[0].direction = 0xF0;
        table[0].pullUp = 0x03;
        table[0].réglage = LignePort::Réglage::Fermé;
    }
    EntréesProjet e;
    e.détails = {"1.0", "Essai", "Ada", "Atelier", "Ligne 1\nLigne 2 */", "06/12/2026", "20:00"};
    e.microContrôleur = mcu;
    e.fréquenceCPU = QStringLiteral("8000000");
    e.périphériques.fill(true);
    e.textePorts = ConfigurationPorts::texteConfiguration(table, ports);
    e.fichierConfiguration = fichierConfiguration();
    e.dossierModèles = dossierModèles();
    e.modèle = modèle;
    DocumentRiche tampon;
    EXPECT_TRUE(GénérerLeCodeProjet(e, tampon).généré);
    return tampon.texte().toUtf8();
}

} // namespace

// Chaque modèle livré, pour chaque composant du fichier des possibilités, avec toutes les
// inclusions cochées et un port réglé, se compile sans un avertissement avec les options de la
// configuration par défaut ; pour un composant de chaque famille, par make et jusqu'au .hex.
TEST(GenerateurProjet, ChaqueModèlePourChaqueComposantCompileSansAvertissement) {
    EXIGER_OUTILS("make", "avr-gcc");
    const QStringList modèles = GenerateurProjet::listeModèles(dossierModèles());
    ASSERT_GE(modèles.size(), 3);
    const QStringList composants = CapacitesComposant::composants(fichierConfiguration());
    ASSERT_GE(composants.size(), 40);
    QTemporaryDir racine;
    std::vector<std::pair<QString, QStringList>> commandes;
    QStringList dossiers;
    for (const QString& mcu : composants) {
        const QString dossier = racine.filePath(mcu);
        QStringList sources;
        for (int i = 0; i < modèles.size(); ++i) {
            ecrireFichier(dossier + QStringLiteral("/m%1.c").arg(i), projetPour(mcu, modèles[i]));
            sources << QStringLiteral("m%1.c").arg(i);
        }
        commandes.push_back({QStringLiteral("avr-gcc"),
                             QStringList{"-mmcu=" + mcu, "-DF_CPU=8000000UL", "-Os", "-std=gnu99", "-Wall",
                                         "-Wstrict-prototypes", "-funsigned-char", "-funsigned-bitfields",
                                         "-fshort-enums", "-Werror", "-fsyntax-only"} +
                                 sources});
        dossiers << dossier;
    }
    const QStringList parMake = {"atmega8",  "atmega16",   "atmega328p", "atmega2560", "attiny13",
                                 "attiny85", "attiny2313", "atmega32u4", "at90s8515"};
    for (const QString& mcu : parMake) {
        ASSERT_TRUE(composants.contains(mcu)) << mcu.toStdString();
        for (int i = 0; i < modèles.size(); ++i) {
            const QString dossier = racine.filePath(QStringLiteral("make-%1-%2").arg(mcu).arg(i));
            ecrireFichier(dossier + QStringLiteral("/main.c"), projetPour(mcu, modèles[i]));
            ecrireFichier(dossier + QStringLiteral("/makefile"),
                          EssaiConfiguration::makefileAvec({{"MCU =", mcu},
                                                            {"F_CPU =", QStringLiteral("8000000")},
                                                            {"TARGET =", QStringLiteral("main")},
                                                            {"AffichageMemoire =", QString()}}));
            commandes.push_back({QStringLiteral("make"), {QStringLiteral("all")}});
            dossiers << dossier;
        }
    }
    const auto résultats = exécuterDeuxÀDeux(commandes, dossiers);
    for (size_t i = 0; i < résultats.size(); ++i) {
        SCOPED_TRACE(dossiers[qsizetype(i)].toStdString());
        EXPECT_EQ(résultats[i].first, 0) << résultats[i].second.toStdString();
        EXPECT_FALSE(résultats[i].second.contains(QStringLiteral("warning:")))
            << résultats[i].second.toStdString();
        if (commandes[i].first == u"make") {
            EXPECT_TRUE(QFileInfo::exists(dossiers[qsizetype(i)] + QStringLiteral("/main.hex")));
        }
    }
}
