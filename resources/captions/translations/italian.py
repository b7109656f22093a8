"""Italian texts of the caption catalogue (ITALIAN), in the order of the English one."""

ENCODING = "cp1252"

SECTIONS = {
    "ZTMainForm": {
        "ZTMainForm": "Zentrim - Velocizza computer, giochi & Internet",
        "BenefitsLabel": "Vantaggi di Zentrim",
        "BenefitsDescription":
            "Zentrim ottimizza questo computer e la velocità di Internet modificando alcune impostazioni di "
            "Windows.  Queste modifiche possono migliorare le prestazioni di computer, giochi e Internet.",
        "PerformanceHeading": "Scegli le impostazioni corrette qui sotto",
        "OSVersionLabel": "Sistema operativo : ",
        "ProcessorTypeLabel": "Processore : ",
        "SpeedLabel": "Velocità : ",
        "ModemTypeLabel": "Tipo di connessione : ",
        "FastLabel": "Veloce",
        "FasterLabel": "Massima",
        "VersionInstalledLabel": "Versione installata : ",
        "SoftwareLastUpdateLabel": "Ultimo aggiornamento : ",
        "NavStatic1": "Guida",
        "NavStatic2": "Home",
        "NavStatic3": "Supporto",
        "NavStatic4": "Info",
        "NavLabel2": "Scegli un link",
        "LinkLabel4": "Guida di Zentrim",
        "LinkLabel5": "Contatta il supporto",
        "LinkLabel6": "Visita il nostro sito web",
        "LinkLabel7": "Informazioni su Zentrim",
        "GoButton": "&Ottimizza ora",
        "RestoreButton": "&Ripristina",
        "UpdatesButton": " &Aggiornamenti ...",
        "HelpFilePopup": "&Guida di Zentrim",
        "TechSupportPopup": "&Contatta il supporto tecnico",
        "MessageBoxReset1":
            "Tutte le modifiche apportate alle impostazioni di sistema, giochi e Internet del computer verranno "
            "annullate e saranno ripristinati i valori originali consigliati.",
        "MessageBoxReset2": "Fai clic su OK per continuare.",
        "MessageBoxChangeRestart1":
            "Le modifiche alle impostazioni delle prestazioni di sistema, giochi e Internet del computer sono "
            "state completate.",
        "MessageBoxChangeRestart2": "È necessario riavviare Windows per rendere effettive le modifiche.",
        "MessageBoxChangeRestart3":
            "Fai clic su Sì per riavviare il computer ora oppure su No per riavviarlo più tardi.",
        "MessageBoxAccessDenied1":
            "Non è stato possibile modificare alcune impostazioni perché questo account utente non è "
            "autorizzato a modificarle.",
        "MessageBoxAccessDenied2": "Avvia Zentrim come amministratore per modificare tutte le impostazioni.",
        "MessageBoxBackupFailed1":
            "Zentrim non è riuscito a salvare un backup delle impostazioni correnti, quindi non ha modificato nulla.",
        "MessageBoxBackupFailed2": "Avvia Zentrim come amministratore e riprova.",
        "MessageBoxElevate1":
            "Zentrim richiede i diritti di amministratore per modificare le impostazioni di sistema, giochi e "
            "Internet del computer e per conservarne un backup.",
        "MessageBoxElevate2":
            "Fai clic su Sì per avviare Zentrim come amministratore oppure su No per lasciare le impostazioni "
            "invariate.",
        "MessageBoxRecordDamaged1":
            "Queste impostazioni non sono state modificate perché la registrazione di Zentrim dei loro valori "
            "precedenti alla modifica è danneggiata:",
        "MessageBoxRecordDamaged2":
            "Tutte le altre impostazioni sono state ripristinate. Zentrim conserva il backup delle impostazioni; "
            "controlla le impostazioni indicate sopra e modificale manualmente se devono essere diverse.",
    },
    "ZTAboutForm": {
        "ZTAboutForm": "Informazioni su Zentrim",
        "BannerLabel": "Ulteriori informazioni su questo software",
        "VersionLabel": "Zentrim 2  (Versione : ",
        "CopyrightLabel": "Copyright © 2024 ORVANE. Tutti i diritti riservati.",
        "LicenseAgreementLabel": "Fai clic per visualizzare le condizioni di licenza",
        "CopyrightWarningLabel":
            "Avviso: questo programma è protetto dalle leggi sul diritto d'autore e dai trattati "
            "internazionali.  La riproduzione o la distribuzione non autorizzata di questo programma, o di parte "
            "di esso, può comportare gravi sanzioni civili e penali e sarà perseguita nella misura massima "
            "consentita dalla legge.",
        "HelpButton": "&Guida",
        "CloseButton": "&Chiudi",
        "LicensedMemo":
            "Zentrim si basa sui controlli comuni di Windows e sul controllo descrizione comandi del sistema. Le "
            "sue immagini PNG vengono decodificate da Windows Imaging Component e la ricerca degli aggiornamenti "
            "usa i servizi HTTP di Windows (WinHTTP). Le icone, i banner e le altre immagini delle sue finestre "
            "sono stati creati per Zentrim e sono © 2024 ORVANE. Microsoft® e Windows® sono marchi di Microsoft "
            "Corporation negli Stati Uniti e in altri paesi; tutti gli altri nomi di prodotti e aziende sono "
            "di proprietà dei rispettivi titolari. Per supporto e aggiornamenti, visita il sito web di ORVANE.",
    },
    "ZTSettingsForm": {
        "ZTSettingsForm": "Aggiornamento delle impostazioni di sistema, giochi & Internet",
        "MessageUpdate": "Ottimizzazione delle impostazioni di sistema, giochi && Internet",
        "MessageRestore": "Ripristino delle impostazioni di sistema, giochi && Internet",
        "MessageChange0": "Ricerca delle informazioni sul modem",
        "MessageChange1": "Ricerca delle informazioni sul computer",
        "MessageChange2": "Ricerca della memoria fisica installata",
        "MessageChange3": "Ricerca delle schede hardware",
        "MessageChange4": "Ricerca del dispositivo di visualizzazione",
        "MessageChange5": "Ricerca del dispositivo grafico 3D",
        "MessageChange6": "Ricerca delle informazioni sul processore",
        "MessageChange7": "Ricerca dei dispositivi di input",
        "MessageChange8": "Ricerca dei dischi rigidi",
        "MessageChange9": "Backup delle impostazioni di sistema, giochi && Internet",
        "MessageChange10": "Scrittura delle nuove impostazioni di sistema e Internet",
        "MessageChange11": "Ripristino delle impostazioni di sistema, giochi && Internet",
    },
    "ZTUpdateForm": {
        "ZTUpdateForm": "Aggiorna Zentrim",
        "BannerLabel": "Scarica e installa gli aggiornamenti di Zentrim",
        "UpdateHeading": "Cerca aggiornamenti di Zentrim",
        "UpdateDescription":
            "Fai clic sul pulsante Aggiorna qui sotto per scaricare e installare gli aggiornamenti di Zentrim.",
        "UpdateLabel1": "Cerca aggiornamento",
        "UpdateLabel2": "Scarica aggiornamento",
        "UpdateLabel3": "Installa aggiornamento",
        "HelpButton": "&Guida",
        "UpdateButton": "&Aggiorna",
        "CloseButton": "&Chiudi",
        "MessageBoxAdmin1": "Non disponi dei privilegi necessari per aggiornare questo software.",
        "MessageBoxAdmin2": "Accedi al computer come amministratore.",
        "MessageBoxNoConnection1":
            "Impossibile connettersi a Internet per cercare gli aggiornamenti del software.",
        "MessageBoxNoConnection2": "Verifica che la connessione a Internet sia disponibile.",
        "MessageBoxNoUpdate1": "Non sono disponibili aggiornamenti per questo software.",
        "MessageBoxNoUpdate2": "È installata la versione corrente del software.",
        "MessageBoxUpdate1": "È disponibile per il download un aggiornamento di questo software.",
        "MessageBoxUpdate2": "Vuoi scaricare e installare una nuova versione di questo software?",
        "MessageBoxManualUpdate1": "Non è stato possibile aggiornare automaticamente questo software.",
        "MessageBoxManualUpdate2": "Vuoi scaricare e installare manualmente una nuova versione di questo software?",
        "MessageBoxUpdateRestart1": "Il programma di aggiornamento non è riuscito ad aggiornare alcuni file.",
        "MessageBoxUpdateRestart2": "È necessario riavviare Windows per aggiornare i file.",
        "MessageBoxUpdateRestart3":
            "Fai clic su Sì per riavviare il computer ora oppure su No per riavviarlo più tardi.",
        "InstallButton": "&Installa",
        "CancelButton": "Annulla",
        "StartButton": "Avvia &Zentrim",
        "DevelopmentLabel": "Versione di sviluppo: solo la chiave di sviluppo, non quella di ORVANE.",
        "StatusChecking": "Richiesta al servizio di aggiornamento di una versione più recente di Zentrim...",
        "StatusUpToDate": "Non sono disponibili aggiornamenti: Zentrim %1 è la versione corrente.",
        "StatusOffer":
            "È disponibile Zentrim %1 (hai la %2). Fai clic su Installa per scaricarlo (%3) e installarlo.",
        "StatusDownloading": "Download di Zentrim %1...",
        "ProgressText": "%1 di %2",
        "StatusVerifying": "Verifica che il download sia il file pubblicato da ORVANE...",
        "StatusInstalling": "Windows Installer sta installando Zentrim %1...",
        "StatusClosingProgram":
            "Chiusura di Zentrim in corso, affinché Windows Installer possa sostituirlo (prima viene completata "
            "l'operazione in corso)...",
        "StatusFinished": "Zentrim %1 è stato installato. Fai clic su Avvia Zentrim per avviarlo.",
        "StatusStartByHand":
            "Zentrim %1 è stato installato, ma il programma di aggiornamento non è riuscito a farlo avviare da "
            "Windows. Avvia Zentrim dal menu Start.",
        "FailNoProgram":
            "Zentrim.exe non è stato trovato accanto al programma di aggiornamento. Reinstalla Zentrim per aggiornarlo.",
        "FailService":
            "Impossibile contattare il servizio di aggiornamento: %1. Verifica la connessione a Internet e "
            "riprova più tardi.",
        "FailServiceUnavailable":
            "Il servizio di aggiornamento non è al momento disponibile (ha risposto con l'errore %1). Riprova più "
            "tardi.",
        "FailServiceAnswer":
            "Il servizio di aggiornamento ha dato una risposta non comprensibile. Riprova più tardi.",
        "FailManifest": "Impossibile ottenere la descrizione della nuova versione: %1. Non è stato installato nulla.",
        "FailSignature":
            "La descrizione della nuova versione non è firmata da ORVANE. Non è stato installato nulla.",
        "FailBadManifest": "Impossibile leggere la descrizione della nuova versione. Non è stato installato nulla.",
        "FailExpired":
            "La descrizione della nuova versione è scaduta il %1, quindi potrebbe essere una vecchia versione "
            "inviata di nuovo. Non è stato installato nulla. Riprova più tardi.",
        "FailNotNewer":
            "Il servizio di aggiornamento offre la versione %1, che non è più recente della versione installata "
            "%2. Non è stato installato nulla.",
        "FailNoPackage": "La nuova versione non offre un pacchetto per questo computer. Non è stato installato nulla.",
        "FailFolder":
            "Impossibile creare una cartella protetta per il download (il programma di aggiornamento richiede i "
            "diritti di amministratore). Non è stato installato nulla.",
        "FailDownload": "Download non riuscito: %1. Non è stato installato nulla.",
        "FailHeld":
            "Non è stato possibile proteggere il download dalle modifiche fino all'installazione. Non è stato "
            "installato nulla.",
        "FailSize": "Il download non ha le dimensioni pubblicate da ORVANE. Non è stato installato nulla.",
        "FailHash": "Il download non è il file pubblicato da ORVANE. Non è stato installato nulla.",
        "FailCancelled": "L'aggiornamento è stato annullato. Non è stato installato nulla.",
        "FailInstallerStart": "Impossibile avviare Windows Installer (errore %1). Non è stato installato nulla.",
        "FailInstallerCancelled": "L'installazione è stata annullata. Zentrim resta invariato.",
        "FailInstaller":
            "Windows Installer non è riuscito a installare la nuova versione (codice di uscita %1). Zentrim "
            "resta invariato.",
        "FailFlag":
            "Zentrim %1 è stato installato, ma il programma di aggiornamento non è riuscito a registrare "
            "l'aggiornamento nel Registro di sistema.",
        "ReasonNoConnection": "non c'è connessione con il servizio",
        "ReasonRefused": "ha rifiutato la connessione",
        "ReasonBroken": "la connessione si è interrotta",
        "ReasonTimedOut": "ha smesso di rispondere",
        "ReasonErrorStatus": "ha risposto con l'errore %1",
        "ReasonTooLarge": "la risposta superava le dimensioni consentite",
        "ReasonCancelled": "l'operazione è stata annullata",
        "ReasonFailed": "errore %1",
    },
}
