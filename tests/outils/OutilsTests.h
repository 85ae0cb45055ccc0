#pragma once
// Outils communs aux tests : dossiers temporaires, fichiers, programme construit.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "common/Messages.h"
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace OutilsTests {

// Dossiers des sources et de construction, programme construit.
QString dossierSources();
QString dossierConstruction();
QString programme();

QByteArray lireFichier(const QString& chemin);
// Écrit le fichier, dossiers compris.
void ecrireFichier(const QString& chemin, const QByteArray& contenu);

// Exécute un programme et attend sa fin ; rend le code de sortie (-1 s'il n'a pas démarré).
int executer(const QString& programme, const QStringList& arguments, QByteArray* sortie = nullptr,
             QByteArray* erreurs = nullptr, const QStringList& environnementEnPlus = {}, int delaiMs = 60000);

// Variables retirées pour lancer un programme sans aucun affichage (environnementEnPlus d'executer).
inline const QStringList SansAffichage = {QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY"),
                                          QStringLiteral("QT_QPA_PLATFORM")};

// « make -C dossier arguments », messages en anglais ; rend son code, sorties réunies dans journal.
int make(const QString& dossier, const QStringList& arguments, QString* journal = nullptr);

// Le programme construit installé sous ce préfixe par « cmake --install » ; l'échec dit pourquoi.
::testing::AssertionResult installer(const QString& préfixe);

// Titres, puis textes, des messages enregistrés dans l'ordre.
QStringList titres(const EnregistreurMessages& messages);
QStringList textes(const EnregistreurMessages& messages);
// Succès si aucun message n'a été enregistré ; sinon l'échec cite leurs titres et textes.
::testing::AssertionResult aucunMessage(const EnregistreurMessages& messages);

// Makefile qui note ses cibles dans journal.txt ; « make clean » crée clean_commence, puis attend
// « continuer » (créé ici) et échoue si « echec_clean » existe.
void preparerProjetJournal(const QString& dossier);

// Processus vivants (zombies exclus) dont le dossier courant est dossier, d'après /proc.
QStringList processusDans(const QString& dossier);

// Attend qu'une condition devienne vraie, au plus delaiMs.
bool attendre(const std::function<bool()>& condition, int delaiMs = 10000);

// Copie dans ce dossier les réglages construits (Paramètres.xml), inscriptibles ; rend leur chemin.
QString copierParametres(const QString& dossier);

// Écrit un script sh exécutable (dossiers créés) ; rend son chemin.
QString ecrireScript(const QString& chemin, const QByteArray& corps);

// Les outils de la liste introuvables dans PATH, séparés par des virgules ; vide s'ils y sont tous.
QString outilsAbsents(const QStringList& outils);

// Vrai en intégration continue (CI=true) : tout y est installé, rien ne doit y être sauté.
bool enIntegrationContinue();

// Variable d'environnement posée (ou retirée, sans valeur) le temps d'une portée, puis rétablie.
class VariableEnvironnement {
public:
    VariableEnvironnement(const char* nom, const std::optional<QByteArray>& valeur) : m_nom(nom) {
        if (qEnvironmentVariableIsSet(nom)) m_ancienne = qgetenv(nom);
        if (valeur)
            qputenv(nom, *valeur);
        else
            qunsetenv(nom);
    }
    ~VariableEnvironnement() {
        if (m_ancienne)
            qputenv(m_nom, *m_ancienne);
        else
            qunsetenv(m_nom);
    }
    VariableEnvironnement(const VariableEnvironnement&) = delete;
    VariableEnvironnement& operator=(const VariableEnvironnement&) = delete;

private:
    const char* m_nom;
    std::optional<QByteArray> m_ancienne;
};

} // namespace OutilsTests

// Saute le test en disant pourquoi ; en intégration continue, échoue à la place.
#define SAUTER_TEST(raison)                                                                                  \
    do {                                                                                                     \
        if (OutilsTests::enIntegrationContinue()) FAIL() << "sauté en intégration continue : " << (raison);  \
        GTEST_SKIP() << (raison);                                                                            \
    } while (0)

// Saute le test (ou échoue en intégration continue) si l'un des outils manque.
#define EXIGER_OUTILS(...)                                                                                   \
    do {                                                                                                     \
        const QString absents_ = OutilsTests::outilsAbsents({__VA_ARGS__});                                  \
        if (!absents_.isEmpty()) SAUTER_TEST(absents_.toStdString() + " absent");                            \
    } while (0)
