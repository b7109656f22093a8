"""Spanish texts of the caption catalogue (SPANISH), in the order of the English one."""

ENCODING = "cp1252"

SECTIONS = {
    "ZTMainForm": {
        "ZTMainForm": "Zentrim - Acelere su equipo, sus juegos & su Internet",
        "BenefitsLabel": "Ventajas de Zentrim",
        "BenefitsDescription":
            "Zentrim optimizará este equipo y la velocidad de Internet ajustando varias opciones de "
            "configuración de Windows.  Estos cambios pueden mejorar el rendimiento del equipo, los juegos e "
            "Internet.",
        "PerformanceHeading": "Elija la configuración adecuada a continuación",
        "OSVersionLabel": "Sistema operativo : ",
        "ProcessorTypeLabel": "Procesador : ",
        "SpeedLabel": "Velocidad : ",
        "ModemTypeLabel": "Tipo de conexión : ",
        "FastLabel": "Rápido",
        "FasterLabel": "Máximo",
        "VersionInstalledLabel": "Versión instalada : ",
        "SoftwareLastUpdateLabel": "Última actualización : ",
        "NavStatic1": "Ayuda",
        "NavStatic2": "Inicio",
        "NavStatic3": "Soporte",
        "NavStatic4": "Acerca de",
        "NavLabel2": "Elija un vínculo",
        "LinkLabel4": "Ayuda de Zentrim",
        "LinkLabel5": "Contactar con soporte",
        "LinkLabel6": "Visite nuestro sitio web",
        "LinkLabel7": "Acerca de Zentrim",
        "GoButton": "&Optimizar ahora",
        "RestoreButton": "&Restaurar",
        "UpdatesButton": " &Actualizaciones ...",
        "HelpFilePopup": "&Ayuda de Zentrim",
        "TechSupportPopup": "&Contactar con soporte técnico",
        "MessageBoxReset1":
            "Se restaurarán todos los cambios realizados en la configuración del sistema, los juegos e Internet "
            "del equipo a sus valores recomendados originales.",
        "MessageBoxReset2": "Haga clic en Aceptar para continuar.",
        "MessageBoxChangeRestart1":
            "Han finalizado los cambios en la configuración de rendimiento del sistema, los juegos e Internet del "
            "equipo.",
        "MessageBoxChangeRestart2": "Debe reiniciar Windows para que los cambios surtan efecto.",
        "MessageBoxChangeRestart3":
            "Haga clic en Sí para reiniciar el equipo ahora o en No para reiniciarlo más tarde.",
        "MessageBoxAccessDenied1":
            "No se pudieron cambiar algunas opciones de configuración porque esta cuenta de usuario no tiene "
            "permiso para cambiarlas.",
        "MessageBoxAccessDenied2": "Inicie Zentrim como administrador para cambiar toda la configuración.",
        "MessageBoxBackupFailed1":
            "Zentrim no pudo guardar una copia de seguridad de la configuración actual, por lo que no cambió nada.",
        "MessageBoxBackupFailed2": "Inicie Zentrim como administrador e inténtelo de nuevo.",
        "MessageBoxElevate1":
            "Zentrim necesita derechos de administrador para cambiar la configuración del sistema, los juegos e "
            "Internet del equipo y guardar una copia de seguridad de ella.",
        "MessageBoxElevate2":
            "Haga clic en Sí para iniciar Zentrim como administrador o en No para dejar la configuración como "
            "está.",
        "MessageBoxRecordDamaged1":
            "Estas opciones se dejaron como estaban porque el registro de Zentrim con sus valores anteriores a "
            "los cambios está dañado:",
        "MessageBoxRecordDamaged2":
            "Se restauró el resto de la configuración. Zentrim conserva su copia de seguridad; compruebe las "
            "opciones anteriores y ajústelas manualmente si deben ser distintas.",
    },
    "ZTAboutForm": {
        "ZTAboutForm": "Acerca de Zentrim",
        "BannerLabel": "Más información sobre este software",
        "VersionLabel": "Zentrim 2  (Versión : ",
        "CopyrightLabel": "Copyright © 2024 ORVANE. Todos los derechos reservados.",
        "LicenseAgreementLabel": "Haga clic para ver los términos de licencia del usuario final",
        "CopyrightWarningLabel":
            "Advertencia: este programa está protegido por las leyes de derechos de autor y otros tratados "
            "internacionales.  La reproducción o distribución no autorizadas de este programa, o de cualquier "
            "parte de él, pueden dar lugar a graves sanciones civiles y penales, y serán perseguidas con todo el "
            "rigor que permita la ley.",
        "HelpButton": "&Ayuda",
        "CloseButton": "&Cerrar",
        "LicensedMemo":
            "Zentrim se basa en los controles comunes de Windows y en el control de información sobre "
            "herramientas del sistema. Sus imágenes PNG las descodifica Windows Imaging Component y su búsqueda "
            "de actualizaciones usa los servicios HTTP de Windows (WinHTTP). Los iconos, banners y demás "
            "gráficos de sus ventanas se crearon para Zentrim y son © 2024 ORVANE. Microsoft® y Windows® son "
            "marcas comerciales de Microsoft Corporation en los Estados Unidos y otros países; los demás nombres "
            "de productos y empresas pertenecen a sus respectivos propietarios. Para obtener soporte y "
            "actualizaciones, visite el sitio web de ORVANE.",
    },
    "ZTSettingsForm": {
        "ZTSettingsForm": "Actualizando la configuración del sistema, los juegos & Internet",
        "MessageUpdate": "Optimizando la configuración del sistema, los juegos && Internet",
        "MessageRestore": "Restaurando la configuración del sistema, los juegos && Internet",
        "MessageChange0": "Buscando información del módem",
        "MessageChange1": "Buscando información del equipo",
        "MessageChange2": "Buscando la memoria física instalada",
        "MessageChange3": "Buscando adaptadores de hardware",
        "MessageChange4": "Buscando el dispositivo de pantalla",
        "MessageChange5": "Buscando el dispositivo de gráficos 3D",
        "MessageChange6": "Buscando información del procesador",
        "MessageChange7": "Buscando dispositivos de entrada",
        "MessageChange8": "Buscando discos duros",
        "MessageChange9": "Guardando la configuración del sistema, los juegos && Internet",
        "MessageChange10": "Escribiendo la nueva configuración del sistema e Internet",
        "MessageChange11": "Restaurando la configuración del sistema, los juegos && Internet",
    },
    "ZTUpdateForm": {
        "ZTUpdateForm": "Actualizar Zentrim",
        "BannerLabel": "Descargar e instalar actualizaciones de Zentrim",
        "UpdateHeading": "Buscar actualizaciones de Zentrim",
        "UpdateDescription":
            "Haga clic en el botón Actualizar para descargar e instalar actualizaciones de Zentrim.",
        "UpdateLabel1": "Buscar actualización",
        "UpdateLabel2": "Descargar actualización",
        "UpdateLabel3": "Instalar actualización",
        "HelpButton": "&Ayuda",
        "UpdateButton": "Ac&tualizar",
        "CloseButton": "&Cerrar",
        "MessageBoxAdmin1": "No tiene el nivel de privilegios necesario para actualizar este software.",
        "MessageBoxAdmin2": "Inicie sesión en el equipo como administrador.",
        "MessageBoxNoConnection1":
            "No se pudo conectar a Internet para buscar actualizaciones de software.",
        "MessageBoxNoConnection2": "Compruebe que su conexión a Internet esté disponible.",
        "MessageBoxNoUpdate1": "No hay actualizaciones disponibles para este software.",
        "MessageBoxNoUpdate2": "Tiene instalada la versión actual del software.",
        "MessageBoxUpdate1": "Hay una actualización de este software disponible para descargar.",
        "MessageBoxUpdate2": "¿Desea descargar e instalar una nueva versión de este software?",
        "MessageBoxManualUpdate1": "No se pudo actualizar este software automáticamente.",
        "MessageBoxManualUpdate2": "¿Desea descargar e instalar manualmente una nueva versión de este software?",
        "MessageBoxUpdateRestart1": "El actualizador no pudo actualizar algunos archivos.",
        "MessageBoxUpdateRestart2": "Debe reiniciar Windows para que se actualicen los archivos.",
        "MessageBoxUpdateRestart3":
            "Haga clic en Sí para reiniciar el equipo ahora o en No para reiniciarlo más tarde.",
        "InstallButton": "&Instalar",
        "CancelButton": "Cancelar",
        "StartButton": "Iniciar &Zentrim",
        "DevelopmentLabel": "Versión de desarrollo: solo la clave de desarrollo, no la de ORVANE.",
        "StatusChecking": "Consultando al servicio de actualización si existe una versión más reciente de Zentrim...",
        "StatusUpToDate": "No hay actualizaciones disponibles: Zentrim %1 es la versión actual.",
        "StatusOffer":
            "Zentrim %1 está disponible (tiene la %2). Haga clic en Instalar para descargarlo (%3) e instalarlo.",
        "StatusDownloading": "Descargando Zentrim %1...",
        "ProgressText": "%1 de %2",
        "StatusVerifying": "Comprobando que la descarga es el archivo publicado por ORVANE...",
        "StatusInstalling": "Windows Installer está instalando Zentrim %1...",
        "StatusClosingProgram":
            "Cerrando Zentrim para que Windows Installer pueda reemplazarlo (primero termina la operación en "
            "curso)...",
        "StatusFinished": "Zentrim %1 se ha instalado. Haga clic en Iniciar Zentrim para iniciarlo.",
        "StatusStartByHand":
            "Zentrim %1 se ha instalado, pero el actualizador no pudo hacer que Windows lo iniciara. Inicie "
            "Zentrim desde el menú Inicio.",
        "FailNoProgram":
            "No se encontró Zentrim.exe junto al actualizador. Vuelva a instalar Zentrim para actualizarlo.",
        "FailService":
            "No se pudo consultar al servicio de actualización: %1. Compruebe su conexión a Internet e inténtelo "
            "más tarde.",
        "FailServiceUnavailable":
            "El servicio de actualización no está disponible en este momento (respondió con el error %1). "
            "Inténtelo más tarde.",
        "FailServiceAnswer":
            "El servicio de actualización dio una respuesta que el actualizador no entiende. Inténtelo más tarde.",
        "FailManifest": "No se pudo obtener la descripción de la nueva versión: %1. No se instaló nada.",
        "FailSignature": "La descripción de la nueva versión no está firmada por ORVANE. No se instaló nada.",
        "FailBadManifest": "No se puede leer la descripción de la nueva versión. No se instaló nada.",
        "FailExpired":
            "La descripción de la nueva versión caducó el %1, por lo que puede ser una antigua enviada de nuevo. "
            "No se instaló nada. Inténtelo más tarde.",
        "FailNotNewer":
            "El servicio de actualización ofrece la versión %1, que no es más reciente que la versión instalada "
            "%2. No se instaló nada.",
        "FailNoPackage": "La nueva versión no ofrece ningún paquete para este equipo. No se instaló nada.",
        "FailFolder":
            "No se pudo crear una carpeta protegida para la descarga (el actualizador necesita derechos de "
            "administrador). No se instaló nada.",
        "FailDownload": "Error en la descarga: %1. No se instaló nada.",
        "FailHeld":
            "No se pudo proteger la descarga contra cambios hasta su instalación. No se instaló nada.",
        "FailSize": "La descarga no tiene el tamaño publicado por ORVANE. No se instaló nada.",
        "FailHash": "La descarga no es el archivo publicado por ORVANE. No se instaló nada.",
        "FailCancelled": "Se canceló la actualización. No se instaló nada.",
        "FailInstallerStart": "No se pudo iniciar Windows Installer (error %1). No se instaló nada.",
        "FailInstallerCancelled": "Se canceló la instalación. Zentrim sigue como estaba.",
        "FailInstaller":
            "Windows Installer no pudo instalar la nueva versión (código de salida %1). Zentrim sigue como estaba.",
        "FailFlag":
            "Zentrim %1 se ha instalado, pero el actualizador no pudo anotar la actualización en el Registro.",
        "ReasonNoConnection": "no hay conexión con él",
        "ReasonRefused": "rechazó la conexión",
        "ReasonBroken": "la conexión se interrumpió",
        "ReasonTimedOut": "dejó de responder",
        "ReasonErrorStatus": "respondió con el error %1",
        "ReasonTooLarge": "la respuesta superaba el tamaño permitido",
        "ReasonCancelled": "se canceló",
        "ReasonFailed": "error %1",
    },
}
