# Files of this subsystem: core ones build without widgets.
list(APPEND BRIVORA_CORE_SOURCES
    data/JetSql.h data/JetSql.cpp
    data/Database.h data/Database.cpp
    data/Schema.h data/Schema.cpp
    data/SqliteAccess.h data/SqliteAccess.cpp
    data/PostgresAccess.h data/PostgresAccess.cpp
    data/DatabaseCopy.h data/DatabaseCopy.cpp
    data/PackedRow.h data/PackedRow.cpp
    data/Dataset.h data/Dataset.cpp
    data/DataModule.h data/DataModule.cpp
    data/Options.h data/Options.cpp
    data/PhoneNumbers.h data/PhoneNumbers.cpp
    data/OptOutList.h data/OptOutList.cpp
    data/Settings.h data/Settings.cpp
    data/DatasetModel.h data/DatasetModel.cpp
    data/Backup.h data/Backup.cpp)
list(APPEND BRIVORA_GUI_SOURCES)
