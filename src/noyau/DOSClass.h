#pragma once
// Exécution d'un programme console dont on veut la sortie (avrdude) : entrée, sortie et erreurs
// redirigées, morceaux de sortie remis au fur et à mesure par des signaux, interface vivante
// pendant l'attente grâce à une boucle d'évènements locale.
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

class QEventLoop;
class QProcess;
class QTimer;

class DOSClass final : public QObject {
    Q_OBJECT

public:
    // Code rendu quand KillCommand a interrompu l'exécution (opération annulée par l'utilisateur).
    static constexpr int32_t StatutAnnule = 1223;
    // Code de sortie de l'enfant arrêté par KillCommand.
    static constexpr int32_t CodeSortieArret = 1;
    // Silence de l'enfant, en millisecondes, au bout duquel WaitForInput est émis.
    static constexpr int DelaiAttente = 200;

    explicit DOSClass(QObject* parent = nullptr);
    ~DOSClass() override;

    QString CommandName() const { return m_commande; }
    void setCommandName(const QString& strDOSCommand) { m_commande = strDOSCommand; }
    QString CommandArgument() const { return m_argument; }
    void setCommandArgument(const QString& strDOSCommandArg) { m_argument = strDOSCommandArg; }
    // Vide : le dossier courant de l'appelant.
    QString CommandWorkingDirectory() const { return m_dossier; }
    void setCommandWorkingDirectory(const QString& strWorkingDir) { m_dossier = strWorkingDir; }
    // Texte écrit sur l'entrée standard de l'enfant dès son démarrage.
    QString Inputs() const { return m_entrees; }
    void setInputs(const QString& strInputs) { m_entrees = strInputs; }

    // Sortie et erreurs de la dernière exécution, gardées jusqu'au démarrage réussi de la suivante.
    // Un octet = un caractère (Latin-1) : Outputs().toLatin1() rend les octets exacts de l'enfant.
    QString Outputs() const { return m_sorties; }
    QString Errors() const { return m_erreurs; }
    // Code de sortie du dernier enfant terminé ; inchangé par un démarrage qui échoue.
    int32_t ExitCode() const { return m_codeSortie; }
    bool Killed() const { return m_arrete; }
    bool enCours() const;

    // Lance CommandName + " " + CommandArgument, découpée comme par un shell (guillemets gardant
    // ensemble), sans shell, et attend sa fin en traitant les évènements. Rend 0, StatutAnnule après
    // KillCommand, ou le code d'erreur du système si le programme n'a pas pu démarrer (2 : introuvable),
    // et alors aucun signal n'est émis.
    int32_t ExecuteCommand(bool bMergeStdoutStderr);
    // Écrit le texte sur l'entrée standard de l'enfant en cours ; rend le nombre d'octets écrits.
    int32_t PutInputs(const QString& strInputs);
    // Arrête l'enfant en cours ; utilisable depuis un gestionnaire de signal.
    void KillCommand();

signals:
    void ReceiveOutputs(const QString& strCommandOutputs);
    void ReceiveErrors(const QString& strCommandErrors);
    void WaitForInput(const QString& strOutputs, const QString& strErrors);

private:
    void lireDisponible();
    void terminer();

    QString m_commande;
    QString m_argument;
    QString m_dossier;
    QString m_entrees;
    QString m_sorties;
    QString m_erreurs;
    int32_t m_codeSortie = 0;
    bool m_arrete = false;
    bool m_fusion = false;

    std::unique_ptr<QProcess> m_processus;
    QEventLoop* m_boucle = nullptr;
    QTimer* m_silence = nullptr;
};
