// Le fichier des possibilités : à jour avec son script, compilable pour chaque composant, et
// refusé clairement quand il est abîmé, sans jamais être réécrit.
#include "assistant/timers/BaseDeTemps.h"
#include "assistant/timers/GenerateurBaseDeTemps.h"
#include "outils/OutilsAvr.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace OutilsAvr;

TEST(Configuration, LeFichierLivréEstCeluiQueDonneLeScript) {
    EXIGER_OUTILS("avr-gcc");
    QTemporaryDir d;
    QByteArray erreurs;
    ASSERT_EQ(OutilsTests::executer(
                  QStringLiteral("python3"),
                  {OutilsTests::dossierSources() + QStringLiteral("/scripts/generer_configuration.py"),
                   QStringLiteral("--sortie"), d.path()},
                  nullptr, &erreurs, {}, 120000),
              0)
        << erreurs.toStdString();
    for (const QString& f : QDir(d.filePath(QStringLiteral("Modèle"))).entryList(QDir::Files))
        EXPECT_EQ(OutilsTests::lireFichier(d.filePath(QStringLiteral("Modèle/") + f)),
                  OutilsTests::lireFichier(modèlesLivrés() + u'/' + f))
            << f.toStdString();
    EXPECT_EQ(OutilsTests::lireFichier(d.filePath(QStringLiteral("Configuration.xml"))),
              OutilsTests::lireFichier(fichierLivré()));
}

// Pour chaque composant, chaque sortie génère une fonction complète dans chacun des modes que son
// timer connaît (les autres sont refusés) ; toutes se compilent ensemble, avec les bases de temps :
// tout nom de registre, de broche ou de vecteur du fichier existe pour ce composant.
TEST(Configuration, ChaqueComposantCompileLeCodeDeChacuneDeSesSorties) {
    EXIGER_OUTILS("avr-gcc");
    const QStringList noms = CapacitesComposant::composants(fichierLivré());
    EXPECT_GE(noms.size(), 120);
    QTemporaryDir d;
    QMap<QString, QString> sources;
    for (const QString& mcu : noms) {
        SCOPED_TRACE(mcu.toStdString());
        const CapacitésComposant c = composant(mcu);
        QString source = QStringLiteral("#include <avr/io.h>\n");
        QString appels;
        for (int s = 0; s < int(c.sorties.size()); ++s) {
            // Le libellé nomme la sortie et sa broche, comme la fiche technique.
            EXPECT_TRUE(c.sorties[s].libellé.endsWith(
                QStringLiteral("(P%1%2)").arg(c.sorties[s].port).arg(c.sorties[s].bit)))
                << c.sorties[s].libellé.toStdString();
            const TimerComposant& t = c.timers[c.sorties[s].indexTimer];
            int modes = 0;
            for (const int m : {0, 1, 2}) {
                const EntréesGénérateur e = entrées(c, s, 8e6, 1000, 0.5,
                                                    QString::fromLatin1(m == 0   ? "CTC"
                                                                        : m == 1 ? "FPWM"
                                                                                 : "PWMPC"));
                DocumentRiche doc;
                const auto r = GénérerLeCodePWM(e, doc);
                // Un mode que le timer n'a pas (pas de valeur dans le fichier) est refusé, sans code.
                if (t.valeursPWM[m].isEmpty()) {
                    EXPECT_FALSE(r.ok()) << e.ModePWM.toStdString();
                    EXPECT_TRUE(doc.texte().isEmpty());
                    continue;
                }
                ++modes;
                ASSERT_TRUE(r.ok()) << r.erreur.toStdString();
                const QString nom = QStringLiteral("f%1_%2").arg(s).arg(e.ModePWM);
                source += doc.texte().replace(QRegularExpression(QStringLiteral("InitMLI_OC\\w+")), nom);
                appels += QStringLiteral("    %1();\n").arg(nom);
            }
            EXPECT_GE(modes, 2) << c.sorties[s].libellé.toStdString();
        }
        // La base de temps de chaque timer qui en a une : un vecteur inconnu du composant est une erreur.
        EXPECT_FALSE(BaseDeTemps::timersUtilisables(c).empty());
        for (const int i : BaseDeTemps::timersUtilisables(c)) {
            const auto r = BaseDeTemps::calculer(c, i, 8e6, 1e-3, true);
            ASSERT_TRUE(r.ok()) << r.erreur.toStdString();
            source += GenerateurBaseDeTemps::code(c, r.réglage);
        }
        sources[mcu] = source + QStringLiteral("int main(void) {\n%1    return 0;\n}\n").arg(appels);
    }
    const auto erreurs = compilerTous(d, sources);
    for (auto it = erreurs.begin(); it != erreurs.end(); ++it)
        EXPECT_TRUE(it.value().isEmpty()) << it.key().toStdString() << " : " << it.value().toStdString();
}

TEST(Configuration, UnFichierAbîméEstRefuséSansÊtreRéécrit) {
    QTemporaryDir d;
    const QString f = d.filePath(QStringLiteral("Configuration.xml"));
    CapacitésComposant c;
    // Absent : message clair, et le fichier n'est pas créé.
    try {
        CapacitesComposant::lire(f, QStringLiteral("atmega8"), c);
        ADD_FAILURE() << "fichier absent accepté";
    } catch (const ErreurConfiguration& e) {
        EXPECT_TRUE(e.texte().contains(QDir::toNativeSeparators(f)));
    }
    EXPECT_FALSE(QFileInfo::exists(f));

    const QByteArray livré = OutilsTests::lireFichier(fichierLivré());
    auto refusé = [&](const QByteArray& contenu, const char* quoi, const char* mcu = "ATmega8") {
        OutilsTests::ecrireFichier(f, contenu);
        EXPECT_THROW(CapacitesComposant::lire(f, QString::fromLatin1(mcu), c), ErreurConfiguration) << quoi;
        EXPECT_EQ(OutilsTests::lireFichier(f), contenu) << quoi;
    };
    const auto remplacé = [&](const char* avant, const char* après) {
        return QByteArray(livré).replace(avant, après);
    };
    refusé(livré.left(livré.size() / 2), "XML tronqué");
    refusé(remplacé("<NombreDeSortie>3</NombreDeSortie>", "<NombreDeSortie>4</NombreDeSortie>"), "sorties");
    refusé(remplacé("<Max>255</Max>", ""), "Max manquant");
    refusé(remplacé("<Sortie Timer=\"02\" IndexTimer=\"2\"", "<Sortie Timer=\"02\" IndexTimer=\"9\""),
           "index");
    refusé(remplacé("SommetMLI=\"1023\"", "SommetMLI=\"70000\""), "sommet MLI au-delà de Max", "at90s8515");
    refusé(remplacé("SommetsFPWM=\"255:", "SommetsFPWM=\"70000:"), "sommet fixe au-delà de Max");
    refusé(remplacé("SommetsPWMPC=\"255: &H81, &H00", "SommetsPWMPC=\"255: &H81"), "valeur manquante");
    // Un vecteur qui n'est pas un identifiant n'entre jamais dans le code généré.
    refusé(remplacé("TIMER1_COMPA_vect,", "TIMER1_COMPA_vect) { } int x(void,"),
           "vecteur qui n'est pas un nom");
    refusé(remplacé("ModeCTC=\"&H00, &H08\"", "ModeCTC=\"&H00\""), "ModeCTC sans le second registre");
    // Intact, il se lit sans être réécrit, et le nom se compare sans égard à la casse.
    OutilsTests::ecrireFichier(f, livré);
    const QDateTime avant = QFileInfo(f).lastModified();
    ASSERT_TRUE(CapacitesComposant::lire(f, QStringLiteral("ATmega8"), c));
    EXPECT_EQ(c.nom, QStringLiteral("atmega8"));
    EXPECT_FALSE(CapacitesComposant::lire(f, QStringLiteral("at90s1200"), c));
    EXPECT_EQ(QFileInfo(f).lastModified(), avant);
    EXPECT_EQ(OutilsTests::lireFichier(f), livré);
}
