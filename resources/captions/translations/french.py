"""French texts of the caption catalogue (FRENCH), in the order of the English one."""

ENCODING = "cp1252"

SECTIONS = {
    "ZTMainForm": {
        "ZTMainForm": "Zentrim - Accélérez votre ordinateur, vos jeux & Internet",
        "BenefitsLabel": "Avantages de Zentrim",
        "BenefitsDescription":
            "Zentrim optimise cet ordinateur et la vitesse d'Internet en ajustant plusieurs paramètres de "
            "Windows.  Ces modifications peuvent accélérer l'ordinateur, les jeux et Internet.",
        "PerformanceHeading": "Choisissez les paramètres adaptés ci-dessous",
        "OSVersionLabel": "Système d'exploitation : ",
        "ProcessorTypeLabel": "Processeur : ",
        "SpeedLabel": "Réglage de vitesse : ",
        "ModemTypeLabel": "Type de connexion : ",
        "FastLabel": "Rapide",
        "FasterLabel": "Maximale",
        "VersionInstalledLabel": "Version installée : ",
        "SoftwareLastUpdateLabel": "Dernière mise à jour : ",
        "NavStatic1": "Aide",
        "NavStatic2": "Accueil",
        "NavStatic3": "Support",
        "NavStatic4": "À propos",
        "NavLabel2": "Choisissez un lien",
        "LinkLabel4": "Aide sur Zentrim",
        "LinkLabel5": "Contacter le support",
        "LinkLabel6": "Visiter notre site web",
        "LinkLabel7": "À propos de Zentrim",
        "GoButton": "&Optimiser maintenant",
        "RestoreButton": "&Restaurer",
        "UpdatesButton": " &Mises à jour ...",
        "HelpFilePopup": "&Aide sur Zentrim",
        "TechSupportPopup": "&Contacter le support technique",
        "MessageBoxReset1":
            "Toutes les modifications apportées aux paramètres système, jeux et Internet de l'ordinateur vont "
            "être annulées et leurs valeurs d'origine recommandées rétablies.",
        "MessageBoxReset2": "Cliquez sur OK pour continuer.",
        "MessageBoxChangeRestart1":
            "La modification des paramètres de performances système, jeux et Internet de l'ordinateur est terminée.",
        "MessageBoxChangeRestart2": "Vous devez redémarrer Windows pour que les modifications prennent effet.",
        "MessageBoxChangeRestart3":
            "Cliquez sur Oui pour redémarrer l'ordinateur maintenant, ou sur Non pour le redémarrer plus tard.",
        "MessageBoxAccessDenied1":
            "Certains paramètres n'ont pas pu être modifiés, car ce compte d'utilisateur n'est pas autorisé à "
            "les modifier.",
        "MessageBoxAccessDenied2": "Démarrez Zentrim en tant qu'administrateur pour modifier tous les paramètres.",
        "MessageBoxBackupFailed1":
            "Zentrim n'a pas pu enregistrer de sauvegarde des paramètres actuels ; il n'a donc rien modifié.",
        "MessageBoxBackupFailed2": "Démarrez Zentrim en tant qu'administrateur, puis réessayez.",
        "MessageBoxElevate1":
            "Zentrim a besoin des droits d'administrateur pour modifier les paramètres système, jeux et Internet "
            "de l'ordinateur et en conserver une sauvegarde.",
        "MessageBoxElevate2":
            "Cliquez sur Oui pour démarrer Zentrim en tant qu'administrateur, ou sur Non pour laisser les "
            "paramètres tels quels.",
        "MessageBoxRecordDamaged1":
            "Ces paramètres ont été laissés tels quels, car l'enregistrement par Zentrim de leurs valeurs "
            "antérieures à sa modification est endommagé :",
        "MessageBoxRecordDamaged2":
            "Tous les autres paramètres ont été restaurés. Zentrim conserve sa sauvegarde des paramètres ; "
            "vérifiez les paramètres ci-dessus et définissez-les manuellement s'ils doivent être différents.",
    },
    "ZTAboutForm": {
        "ZTAboutForm": "À propos de Zentrim",
        "BannerLabel": "Plus d'informations sur ce logiciel",
        "VersionLabel": "Zentrim 2  (Version : ",
        "CopyrightLabel": "Copyright © 2024 ORVANE. Tous droits réservés.",
        "LicenseAgreementLabel": "Cliquez pour afficher les termes du contrat de licence",
        "CopyrightWarningLabel":
            "Avertissement : ce programme est protégé par la loi sur le droit d'auteur et par des traités "
            "internationaux.  Toute reproduction ou distribution non autorisée de ce programme, ou d'une partie "
            "de celui-ci, est passible de sanctions civiles et pénales sévères et fera l'objet de poursuites "
            "dans toute la mesure permise par la loi.",
        "HelpButton": "&Aide",
        "CloseButton": "&Fermer",
        "LicensedMemo":
            "Zentrim s'appuie sur les contrôles communs de Windows et sur le contrôle d'info-bulle du système. "
            "Ses images PNG sont décodées par le composant Windows Imaging Component, et sa recherche de mises "
            "à jour utilise les services HTTP de Windows (WinHTTP). Les icônes, bannières et autres graphismes "
            "de ses fenêtres ont été créés pour Zentrim et sont © 2024 ORVANE. Microsoft® et Windows® sont des "
            "marques de Microsoft Corporation aux États-Unis et dans d'autres pays ; tous les autres noms de "
            "produits et de sociétés appartiennent à leurs propriétaires respectifs. Pour l'assistance et les "
            "mises à jour, consultez le site web d'ORVANE.",
    },
    "ZTSettingsForm": {
        "ZTSettingsForm": "Mise à jour des paramètres système, jeux & Internet",
        "MessageUpdate": "Optimisation des paramètres système, jeux && Internet de l'ordinateur",
        "MessageRestore": "Restauration des paramètres système, jeux && Internet de l'ordinateur",
        "MessageChange0": "Recherche des informations du modem",
        "MessageChange1": "Recherche des informations de l'ordinateur",
        "MessageChange2": "Recherche de la mémoire physique installée",
        "MessageChange3": "Recherche des cartes matérielles",
        "MessageChange4": "Recherche du périphérique d'affichage",
        "MessageChange5": "Recherche du périphérique graphique 3D",
        "MessageChange6": "Recherche des informations du processeur",
        "MessageChange7": "Recherche des périphériques d'entrée",
        "MessageChange8": "Recherche des disques durs",
        "MessageChange9": "Sauvegarde des paramètres système, jeux && Internet",
        "MessageChange10": "Écriture des nouveaux paramètres système et Internet",
        "MessageChange11": "Restauration des paramètres système, jeux && Internet",
    },
    "ZTUpdateForm": {
        "ZTUpdateForm": "Mettre à jour Zentrim",
        "BannerLabel": "Télécharger et installer les mises à jour de Zentrim",
        "UpdateHeading": "Rechercher des mises à jour de Zentrim",
        "UpdateDescription":
            "Cliquez sur le bouton Mettre à jour ci-dessous pour télécharger et installer les mises à jour de Zentrim.",
        "UpdateLabel1": "Rechercher la mise à jour",
        "UpdateLabel2": "Télécharger la mise à jour",
        "UpdateLabel3": "Installer la mise à jour",
        "HelpButton": "&Aide",
        "UpdateButton": "&Mettre à jour",
        "CloseButton": "&Fermer",
        "MessageBoxAdmin1": "Vous ne disposez pas des privilèges nécessaires pour mettre à jour ce logiciel.",
        "MessageBoxAdmin2": "Ouvrez une session sur l'ordinateur en tant qu'administrateur.",
        "MessageBoxNoConnection1":
            "Impossible de se connecter à Internet pour rechercher des mises à jour du logiciel.",
        "MessageBoxNoConnection2": "Vérifiez que votre connexion Internet est disponible.",
        "MessageBoxNoUpdate1": "Aucune mise à jour n'est disponible pour ce logiciel.",
        "MessageBoxNoUpdate2": "La version actuelle du logiciel est installée.",
        "MessageBoxUpdate1": "Une mise à jour de ce logiciel peut être téléchargée.",
        "MessageBoxUpdate2": "Voulez-vous télécharger et installer une nouvelle version de ce logiciel ?",
        "MessageBoxManualUpdate1": "Ce logiciel n'a pas pu être mis à jour automatiquement.",
        "MessageBoxManualUpdate2":
            "Voulez-vous télécharger et installer manuellement une nouvelle version de ce logiciel ?",
        "MessageBoxUpdateRestart1": "Le programme de mise à jour n'a pas pu mettre à jour certains fichiers.",
        "MessageBoxUpdateRestart2": "Vous devez redémarrer Windows pour que les fichiers soient mis à jour.",
        "MessageBoxUpdateRestart3":
            "Cliquez sur Oui pour redémarrer l'ordinateur maintenant, ou sur Non pour le redémarrer plus tard.",
        "InstallButton": "&Installer",
        "CancelButton": "Annuler",
        "StartButton": "&Démarrer Zentrim",
        "DevelopmentLabel": "Version de développement : n'accepte que sa clé, pas celle d'ORVANE.",
        "StatusChecking": "Interrogation du service de mise à jour sur une version plus récente de Zentrim...",
        "StatusUpToDate": "Aucune mise à jour disponible : Zentrim %1 est la version actuelle.",
        "StatusOffer":
            "Zentrim %1 est disponible (vous avez la version %2). Cliquez sur Installer pour le télécharger (%3) "
            "et l'installer.",
        "StatusDownloading": "Téléchargement de Zentrim %1...",
        "ProgressText": "%1 sur %2",
        "StatusVerifying": "Vérification que le téléchargement est bien le fichier publié par ORVANE...",
        "StatusInstalling": "Windows Installer installe Zentrim %1...",
        "StatusClosingProgram":
            "Fermeture de Zentrim pour que Windows Installer puisse le remplacer (une opération en cours se "
            "termine d'abord)...",
        "StatusFinished": "Zentrim %1 a été installé. Cliquez sur Démarrer Zentrim pour le lancer.",
        "StatusStartByHand":
            "Zentrim %1 a été installé, mais le programme de mise à jour n'a pas pu le faire démarrer par "
            "Windows. Démarrez Zentrim depuis le menu Démarrer.",
        "FailNoProgram":
            "Zentrim.exe est introuvable à côté du programme de mise à jour. Réinstallez Zentrim pour le mettre à jour.",
        "FailService":
            "Impossible d'interroger le service de mise à jour : %1. Vérifiez votre connexion Internet et "
            "réessayez plus tard.",
        "FailServiceUnavailable":
            "Le service de mise à jour est momentanément indisponible (il a répondu par l'erreur %1). Réessayez "
            "plus tard.",
        "FailServiceAnswer":
            "Le service de mise à jour a donné une réponse incompréhensible. Réessayez plus tard.",
        "FailManifest":
            "La description de la nouvelle version n'a pas pu être récupérée : %1. Rien n'a été installé.",
        "FailSignature": "La description de la nouvelle version n'est pas signée par ORVANE. Rien n'a été installé.",
        "FailBadManifest": "La description de la nouvelle version est illisible. Rien n'a été installé.",
        "FailExpired":
            "La description de la nouvelle version a expiré le %1 ; il peut s'agir d'une ancienne description "
            "renvoyée. Rien n'a été installé. Réessayez plus tard.",
        "FailNotNewer":
            "Le service de mise à jour propose la version %1, qui n'est pas plus récente que la version installée "
            "%2. Rien n'a été installé.",
        "FailNoPackage": "La nouvelle version ne propose aucun package pour cet ordinateur. Rien n'a été installé.",
        "FailFolder":
            "Impossible de créer un dossier protégé pour le téléchargement (le programme de mise à jour a "
            "besoin des droits d'administrateur). Rien n'a été installé.",
        "FailDownload": "Le téléchargement a échoué : %1. Rien n'a été installé.",
        "FailHeld":
            "Le téléchargement n'a pas pu être protégé contre les modifications jusqu'à son installation. Rien "
            "n'a été installé.",
        "FailSize": "Le téléchargement n'a pas la taille publiée par ORVANE. Rien n'a été installé.",
        "FailHash": "Le téléchargement n'est pas le fichier publié par ORVANE. Rien n'a été installé.",
        "FailCancelled": "La mise à jour a été annulée. Rien n'a été installé.",
        "FailInstallerStart": "Windows Installer n'a pas pu démarrer (erreur %1). Rien n'a été installé.",
        "FailInstallerCancelled": "L'installation a été annulée. Zentrim reste inchangé.",
        "FailInstaller":
            "Windows Installer n'a pas pu installer la nouvelle version (code de sortie %1). Zentrim reste inchangé.",
        "FailFlag":
            "Zentrim %1 a été installé, mais le programme de mise à jour n'a pas pu inscrire la mise à jour dans "
            "le Registre.",
        "ReasonNoConnection": "aucune connexion avec le service",
        "ReasonRefused": "il a refusé la connexion",
        "ReasonBroken": "la connexion a été interrompue",
        "ReasonTimedOut": "il ne répond plus",
        "ReasonErrorStatus": "il a répondu par l'erreur %1",
        "ReasonTooLarge": "la réponse dépassait la taille autorisée",
        "ReasonCancelled": "l'opération a été annulée",
        "ReasonFailed": "erreur %1",
    },
}
