// Les cibles make comme un éditeur les lance : recettes du README mot pour mot, arrêt par signal.
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsTests.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>

using namespace OutilsTests;

namespace {

// Une recette : le programme et ses arguments, placeholders de l'éditeur déjà remplacés.
struct Recette {
    QString éditeur, programme;
    QStringList arguments;
};

// Les recettes « reconstruire » du README : Geany et Kate par un shell, VS Code (« process ») sans.
std::vector<Recette> recettes(const QString& dossier, const QString& nom) {
    const QString texte = QString::fromUtf8(lireFichier(dossierSources() + "/README.md"));
    static const QRegularExpression ligne(R"(\n\| *Reconstruire *\| *`([^`]+)` *\|)");
    auto commande = [&](const char* titre, const char* nomFichier) {
        const QString c = ligne.match(texte, texte.indexOf(QString("### ") + titre)).captured(1);
        return Recette{titre, "sh", {"-c", QString(c).replace("%d", dossier).replace(nomFichier, nom)}};
    };
    std::vector<Recette> r = {commande("Geany", "%e"), commande("Kate", "%n")};
    const qsizetype ouverture = texte.indexOf("```json\n", texte.indexOf("### VS Code")) + 8;
    // Un JSON mal formé ne donne aucune tâche : le compte des recettes le voit.
    const QJsonDocument json =
        QJsonDocument::fromJson(texte.mid(ouverture, texte.indexOf("\n```", ouverture) - ouverture).toUtf8());
    for (const QJsonValue& v : json["tasks"].toArray()) {
        QStringList args = v["args"].toVariant().toStringList();
        args.replaceInStrings("${fileDirname}", dossier).replaceInStrings("${fileBasenameNoExtension}", nom);
        if (args.value(0).startsWith("reconstruire>"))
            r.push_back({"VS Code", v["command"].toString(), args});
    }
    return r;
}

struct Éditeurs : ::testing::Test {
    QTemporaryDir racine;
    QString projet = racine.filePath("Mes projets/Clignoté");
    // Le programme construit, trouvé par PATH ; les messages du compilateur en anglais, pour l'éditeur.
    VariableEnvironnement chemin{"PATH", dossierConstruction().toLocal8Bit() + ':' + qgetenv("PATH")};
    VariableEnvironnement sansAffichage{"DISPLAY", std::nullopt};
    VariableEnvironnement sansWayland{"WAYLAND_DISPLAY", std::nullopt};
    VariableEnvironnement langue{"LC_ALL", QByteArray("C")};

    void SetUp() override { ASSERT_TRUE(QDir().mkpath(projet)); }

    // Dit pourquoi si des processus du projet tournent encore (un tué disparaît un instant après).
    ::testing::AssertionResult rienNeTourne() {
        QStringList restants;
        attendre([&] { return (restants = processusDans(projet)).isEmpty(); }, 1000);
        if (restants.isEmpty()) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "encore en cours : " << restants.join(" ; ").toStdString();
    }
};

} // namespace

// L'erreur du compilateur arrive par le tube, au format que l'éditeur lit ; le code dit l'échec.
TEST_F(Éditeurs, RecettesDuReadmeRendentLErreurEtLeCode) {
    EXIGER_OUTILS("make", "avr-gcc");
    ecrireFichier(projet + "/makefile", EssaiConfiguration::makefileAvec({{"TARGET =", "Clignoté"}}));
    ecrireFichier(projet + "/Clignoté.c",
                  "#include <avr/io.h>\nint main(void) {\n    return pas_declare;\n}\n");
    const std::vector<Recette> liste = recettes(projet, "Clignoté");
    ASSERT_EQ(liste.size(), 3u);
    // Ce que reconnaissent l'analyse par défaut de Geany, celle de Kate et le « $gcc » de VS Code.
    static const QRegularExpression gcc(R"(^(.*?):(\d+):(\d*):?\s+(?:fatal\s+)?(warning|error):\s+(.*)$)",
                                        QRegularExpression::MultilineOption);
    for (const Recette& r : liste) {
        SCOPED_TRACE(r.éditeur.toStdString());
        QByteArray octets, erreurs;
        const int code = executer(r.programme, r.arguments, &octets, &erreurs);
        const QString sortie = QString::fromUtf8(octets + '\n' + erreurs);
        EXPECT_GT(code, 0) << sortie.toStdString(); // négatif : pas lancé, pas fini ou tué
        bool trouvée = false;
        for (auto it = gcc.globalMatch(sortie); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            trouvée |= m.captured(4) == "error" && m.captured(2) == "3" &&
                       QFileInfo(QDir(projet), m.captured(1)) == QFileInfo(projet + "/Clignoté.c");
        }
        EXPECT_TRUE(trouvée) << sortie.toStdString();
        EXPECT_TRUE(rienNeTourne());
    }
}

// Un signal à quillon arrête make et ce qu'il a lancé (même ce qui ignore les signaux) ; au
// terminal, make est au premier plan : il lit le clavier (avrdude y pose ses questions), Ctrl+C l'arrête.
TEST_F(Éditeurs, SignauxEtTerminalArrêtentOuRépondentÀMake) {
    EXIGER_OUTILS("make", "script");
    const QString ligne = "nettoyer>" + projet + ">X";
    // Un signal ignoré à l'arrivée le resterait pour quillon (nohup) : ici, l'action par défaut.
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        signal(s, SIG_DFL);
    const struct {
        int signal; // envoyé à quillon ; 0 : au terminal, frappe au clavier
        QByteArray frappe;
        int code;
        const char* sortie;
    } cas[] = {{SIGINT, {}, 128 + SIGINT, ""},
               {SIGTERM, {}, 128 + SIGTERM, ""},
               {SIGHUP, {}, 128 + SIGHUP, ""},
               {0, "oui\n", 0, "lu oui"},
               {0, "\x03", 130, "Interrupt"}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.signal ? c.signal : c.code);
        ecrireFichier(projet + "/makefile",
                      c.signal ? "clean:\n\t@touch clean_commence; (trap '' INT TERM HUP; exec sleep 30) & "
                                 "sleep 30; echo clean >> journal.txt\n"
                               : "clean:\n\t@touch clean_commence; read x; echo \"lu $$x\"\n");
        QFile::remove(projet + "/clean_commence");
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        const QStringList auTerminal = {"-qec", "'" + programme() + "' '" + ligne + "'", "/dev/null"};
        p.start(c.signal ? programme() : "script", c.signal ? QStringList{ligne} : auTerminal);
        ASSERT_TRUE(attendre([&] { return QFileInfo::exists(projet + "/clean_commence"); }))
            << "make clean n'a pas commencé : " << p.readAll().toStdString();
        if (c.signal)
            kill(pid_t(p.processId()), c.signal);
        else
            p.write(c.frappe);
        ASSERT_TRUE(p.waitForFinished(10000)) << "pas terminé : " << p.readAll().toStdString();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), c.code);
        EXPECT_TRUE(p.readAll().contains(c.sortie));
        EXPECT_TRUE(rienNeTourne());
    }
    EXPECT_EQ(lireFichier(projet + "/journal.txt"), QByteArray());
}
