"""German texts of the caption catalogue (GERMAN), in the order of the English one."""

ENCODING = "cp1252"

SECTIONS = {
    "ZTMainForm": {
        "ZTMainForm": "Zentrim - Computer, Spiele & Internet beschleunigen",
        "BenefitsLabel": "Vorteile von Zentrim",
        "BenefitsDescription":
            "Zentrim optimiert diesen Computer und die Internetgeschwindigkeit, indem es einige Einstellungen "
            "von Windows anpasst.  Das kann die Leistung von Computer, Spielen und Internet verbessern.",
        "PerformanceHeading": "W\u00e4hlen Sie unten die passenden Einstellungen",
        "OSVersionLabel": "Betriebssystem : ",
        "ProcessorTypeLabel": "Prozessor : ",
        "SpeedLabel": "Geschwindigkeit : ",
        "ModemTypeLabel": "Internetverbindung : ",
        "FastLabel": "Schnell",
        "FasterLabel": "Maximal",
        "VersionInstalledLabel": "Installierte Version : ",
        "SoftwareLastUpdateLabel": "Letzte Aktualisierung : ",
        "NavStatic1": "Hilfe",
        "NavStatic2": "Start",
        "NavStatic3": "Support",
        "NavStatic4": "Info",
        "NavLabel2": "Link ausw\u00e4hlen",
        "LinkLabel4": "Hilfe zu Zentrim",
        "LinkLabel5": "Support kontaktieren",
        "LinkLabel6": "Zu unserer Website",
        "LinkLabel7": "Info \u00fcber Zentrim",
        "GoButton": "Jetzt &optimieren",
        "RestoreButton": "&Wiederherstellen",
        "UpdatesButton": " &Updates suchen ...",
        "HelpFilePopup": "&Hilfe zu Zentrim",
        "TechSupportPopup": "&Technischen Support kontaktieren",
        "MessageBoxReset1":
            "Alle \u00c4nderungen an den System-, Spiel- und Interneteinstellungen des Computers werden auf "
            "ihre urspr\u00fcnglichen empfohlenen Werte zur\u00fcckgesetzt.",
        "MessageBoxReset2": "Klicken Sie auf OK, um fortzufahren.",
        "MessageBoxChangeRestart1":
            "Die \u00c4nderungen an den System-, Spiel- und Interneteinstellungen des Computers sind abgeschlossen.",
        "MessageBoxChangeRestart2": "Windows muss neu gestartet werden, damit die \u00c4nderungen wirksam werden.",
        "MessageBoxChangeRestart3":
            "Klicken Sie auf Ja, um den Computer jetzt neu zu starten, oder auf Nein, um ihn sp\u00e4ter neu zu starten.",
        "MessageBoxAccessDenied1":
            "Einige Einstellungen konnten nicht ge\u00e4ndert werden, weil dieses Benutzerkonto sie nicht "
            "\u00e4ndern darf.",
        "MessageBoxAccessDenied2": "Starten Sie Zentrim als Administrator, um alle Einstellungen zu \u00e4ndern.",
        "MessageBoxBackupFailed1":
            "Zentrim konnte keine Sicherung der aktuellen Einstellungen speichern und hat daher nichts ge\u00e4ndert.",
        "MessageBoxBackupFailed2": "Starten Sie Zentrim als Administrator, und versuchen Sie es erneut.",
        "MessageBoxElevate1":
            "Zentrim ben\u00f6tigt Administratorrechte, um die System-, Spiel- und Interneteinstellungen des "
            "Computers zu \u00e4ndern und eine Sicherung davon anzulegen.",
        "MessageBoxElevate2":
            "Klicken Sie auf Ja, um Zentrim als Administrator zu starten, oder auf Nein, um die Einstellungen "
            "unver\u00e4ndert zu lassen.",
        "MessageBoxRecordDamaged1":
            "Diese Einstellungen wurden nicht ge\u00e4ndert, weil die Aufzeichnung von Zentrim \u00fcber ihre Werte "
            "vor der \u00c4nderung besch\u00e4digt ist:",
        "MessageBoxRecordDamaged2":
            "Alle anderen Einstellungen wurden wiederhergestellt. Zentrim beh\u00e4lt die Sicherung der "
            "Einstellungen; pr\u00fcfen Sie die oben genannten Einstellungen, und legen Sie sie bei Bedarf von "
            "Hand fest.",
    },
    "ZTAboutForm": {
        "ZTAboutForm": "Info \u00fcber Zentrim",
        "BannerLabel": "Weitere Informationen zu dieser Software",
        "VersionLabel": "Zentrim 2  (Version : ",
        "CopyrightLabel": "Copyright \u00a9 2024 ORVANE. Alle Rechte vorbehalten.",
        "LicenseAgreementLabel": "Klicken Sie hier, um die Lizenzbedingungen anzuzeigen",
        "CopyrightWarningLabel":
            "Warnung: Dieses Computerprogramm ist durch Urheberrechtsgesetze und internationale Vertr\u00e4ge "
            "gesch\u00fctzt.  Unbefugte Vervielf\u00e4ltigung oder Verbreitung dieses Programms oder eines Teils "
            "davon kann schwere zivil- und strafrechtliche Folgen haben und wird im gesetzlich "
            "gr\u00f6\u00dftm\u00f6glichen Umfang verfolgt.",
        "HelpButton": "&Hilfe",
        "CloseButton": "&Schlie\u00dfen",
        "LicensedMemo":
            "Zentrim baut auf den allgemeinen Steuerelementen von Windows und dem QuickInfo-Steuerelement des "
            "Systems auf. Seine PNG-Bilder werden von der Windows-Imaging-Komponente decodiert, und die Suche "
            "nach Updates verwendet die Windows-HTTP-Dienste (WinHTTP). Die Symbole, Banner und anderen "
            "Grafiken in seinen Fenstern wurden f\u00fcr Zentrim gestaltet und sind \u00a9 2024 ORVANE. "
            "Microsoft\u00ae und Windows\u00ae sind Marken der Microsoft Corporation in den USA und anderen "
            "L\u00e4ndern; alle anderen Produkt- und Firmennamen sind Eigentum ihrer jeweiligen Inhaber. "
            "Support und Updates finden Sie auf der Website von ORVANE.",
    },
    "ZTSettingsForm": {
        "ZTSettingsForm": "System-, Spiel- & Interneteinstellungen werden aktualisiert",
        "MessageUpdate": "System-, Spiel- && Interneteinstellungen werden optimiert",
        "MessageRestore": "System-, Spiel- && Interneteinstellungen werden wiederhergestellt",
        "MessageChange0": "Modeminformationen werden ermittelt",
        "MessageChange1": "Computerinformationen werden ermittelt",
        "MessageChange2": "Installierter Arbeitsspeicher wird ermittelt",
        "MessageChange3": "Hardwareadapter werden ermittelt",
        "MessageChange4": "Anzeigeger\u00e4t wird ermittelt",
        "MessageChange5": "3D-Grafikger\u00e4t wird ermittelt",
        "MessageChange6": "Prozessorinformationen werden ermittelt",
        "MessageChange7": "Eingabeger\u00e4te werden ermittelt",
        "MessageChange8": "Festplatten werden ermittelt",
        "MessageChange9": "System-, Spiel- && Interneteinstellungen werden gesichert",
        "MessageChange10": "Neue System- und Interneteinstellungen werden geschrieben",
        "MessageChange11": "System-, Spiel- && Interneteinstellungen werden wiederhergestellt",
    },
    "ZTUpdateForm": {
        "ZTUpdateForm": "Zentrim aktualisieren",
        "BannerLabel": "Updates f\u00fcr Zentrim herunterladen und installieren",
        "UpdateHeading": "Nach Updates f\u00fcr Zentrim suchen",
        "UpdateDescription":
            "Klicken Sie unten auf \"Aktualisieren\", um Updates f\u00fcr Zentrim herunterzuladen und zu installieren.",
        "UpdateLabel1": "Update suchen",
        "UpdateLabel2": "Update herunterladen",
        "UpdateLabel3": "Update installieren",
        "HelpButton": "&Hilfe",
        "UpdateButton": "&Aktualisieren",
        "CloseButton": "&Schlie\u00dfen",
        "MessageBoxAdmin1": "Sie haben nicht die erforderlichen Berechtigungen, um diese Software zu aktualisieren.",
        "MessageBoxAdmin2": "Melden Sie sich als Administrator am Computer an.",
        "MessageBoxNoConnection1":
            "Es konnte keine Verbindung mit dem Internet hergestellt werden, um nach Softwareupdates zu suchen.",
        "MessageBoxNoConnection2": "Pr\u00fcfen Sie, ob Ihre Internetverbindung verf\u00fcgbar ist.",
        "MessageBoxNoUpdate1": "F\u00fcr diese Software sind keine Updates verf\u00fcgbar.",
        "MessageBoxNoUpdate2": "Die aktuelle Version der Software ist installiert.",
        "MessageBoxUpdate1": "Ein Update f\u00fcr diese Software steht zum Download bereit.",
        "MessageBoxUpdate2": "M\u00f6chten Sie eine neue Version dieser Software herunterladen und installieren?",
        "MessageBoxManualUpdate1": "Diese Software konnte nicht automatisch aktualisiert werden.",
        "MessageBoxManualUpdate2":
            "M\u00f6chten Sie eine neue Version dieser Software manuell herunterladen und installieren?",
        "MessageBoxUpdateRestart1": "Einige Dateien konnten nicht aktualisiert werden.",
        "MessageBoxUpdateRestart2": "Windows muss neu gestartet werden, damit die Dateien aktualisiert werden.",
        "MessageBoxUpdateRestart3":
            "Klicken Sie auf Ja, um den Computer jetzt neu zu starten, oder auf Nein, um ihn sp\u00e4ter neu zu starten.",
        "InstallButton": "&Update",
        "CancelButton": "Abbrechen",
        "StartButton": "&Zentrim starten",
        "DevelopmentLabel": "Entwicklerversion: vertraut nur dem Entwicklungsschl\u00fcssel, nicht ORVANE.",
        "StatusChecking": "Der Updatedienst wird gefragt, ob es eine neuere Version von Zentrim gibt ...",
        "StatusUpToDate": "Es sind keine Updates verf\u00fcgbar: Zentrim %1 ist die aktuelle Version.",
        "StatusOffer":
            "Zentrim %1 ist verf\u00fcgbar (Sie haben %2). Klicken Sie auf \"Update\", um es herunterzuladen "
            "(%3) und zu installieren.",
        "StatusDownloading": "Zentrim %1 wird heruntergeladen ...",
        "ProgressText": "%1 von %2",
        "StatusVerifying": "Es wird gepr\u00fcft, ob der Download die von ORVANE ver\u00f6ffentlichte Datei ist ...",
        "StatusInstalling": "Windows Installer installiert Zentrim %1 ...",
        "StatusClosingProgram":
            "Zentrim wird geschlossen, damit Windows Installer es ersetzen kann (ein laufender Vorgang wird "
            "zuerst beendet) ...",
        "StatusFinished": "Zentrim %1 wurde installiert. Klicken Sie auf \"Zentrim starten\", um es zu starten.",
        "StatusStartByHand":
            "Zentrim %1 wurde installiert, aber Windows konnte es nicht f\u00fcr Sie starten. Starten Sie Zentrim "
            "\u00fcber das Startmen\u00fc.",
        "FailNoProgram":
            "Zentrim.exe wurde neben dem Updateprogramm nicht gefunden. Installieren Sie Zentrim erneut, um es "
            "zu aktualisieren.",
        "FailService":
            "Der Updatedienst konnte nicht erreicht werden: %1. Pr\u00fcfen Sie Ihre Internetverbindung, und "
            "versuchen Sie es sp\u00e4ter erneut.",
        "FailServiceUnavailable":
            "Der Updatedienst ist zurzeit nicht verf\u00fcgbar (er antwortete mit dem Fehler %1). Versuchen Sie es "
            "sp\u00e4ter erneut.",
        "FailServiceAnswer":
            "Der Updatedienst hat eine unverst\u00e4ndliche Antwort gegeben. Versuchen Sie es sp\u00e4ter erneut.",
        "FailManifest":
            "Die Beschreibung der neuen Version konnte nicht abgerufen werden: %1. Es wurde nichts installiert.",
        "FailSignature":
            "Die Beschreibung der neuen Version ist nicht von ORVANE signiert. Es wurde nichts installiert.",
        "FailBadManifest":
            "Die Beschreibung der neuen Version kann nicht gelesen werden. Es wurde nichts installiert.",
        "FailExpired":
            "Die Beschreibung der neuen Version ist am %1 abgelaufen, sie k\u00f6nnte also eine erneut gesendete "
            "alte sein. Es wurde nichts installiert. Versuchen Sie es sp\u00e4ter erneut.",
        "FailNotNewer":
            "Der Updatedienst bietet Version %1 an, die nicht neuer als die installierte Version %2 ist. Es wurde "
            "nichts installiert.",
        "FailNoPackage": "Die neue Version bietet kein Paket f\u00fcr diesen Computer. Es wurde nichts installiert.",
        "FailFolder":
            "Es konnte kein gesch\u00fctzter Ordner f\u00fcr den Download angelegt werden (das Updateprogramm "
            "ben\u00f6tigt Administratorrechte). Es wurde nichts installiert.",
        "FailDownload": "Der Download ist fehlgeschlagen: %1. Es wurde nichts installiert.",
        "FailHeld":
            "Der Download konnte bis zur Installation nicht vor \u00c4nderungen gesch\u00fctzt werden. Es wurde "
            "nichts installiert.",
        "FailSize": "Der Download hat nicht die von ORVANE ver\u00f6ffentlichte Gr\u00f6\u00dfe. Es wurde nichts installiert.",
        "FailHash": "Der Download ist nicht die von ORVANE ver\u00f6ffentlichte Datei. Es wurde nichts installiert.",
        "FailCancelled": "Das Update wurde abgebrochen. Es wurde nichts installiert.",
        "FailInstallerStart":
            "Windows Installer konnte nicht gestartet werden (Fehler %1). Es wurde nichts installiert.",
        "FailInstallerCancelled": "Die Installation wurde abgebrochen. Zentrim bleibt unver\u00e4ndert.",
        "FailInstaller":
            "Windows Installer konnte die neue Version nicht installieren (Exitcode %1). Zentrim bleibt "
            "unver\u00e4ndert.",
        "FailFlag":
            "Zentrim %1 wurde installiert, aber das Update konnte nicht in der Registrierung vermerkt werden.",
        "ReasonNoConnection": "es besteht keine Verbindung",
        "ReasonRefused": "die Verbindung wurde abgelehnt",
        "ReasonBroken": "die Verbindung wurde unterbrochen",
        "ReasonTimedOut": "er antwortet nicht mehr",
        "ReasonErrorStatus": "er antwortete mit dem Fehler %1",
        "ReasonTooLarge": "die Antwort war gr\u00f6\u00dfer als erlaubt",
        "ReasonCancelled": "der Vorgang wurde abgebrochen",
        "ReasonFailed": "Fehler %1",
    },
}
