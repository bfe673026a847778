-- Brivora database: twelve tables and the settings. Counters are assigned by the database; "VARCHAR(n)"
-- columns hold at most n characters; TEXT columns are memos; DATETIME columns hold
-- local time as 'yyyy-MM-dd HH:mm:ss' text. Text compares and sorts without regard
-- to letter case.
PRAGMA journal_mode = WAL;

CREATE TABLE profile (
    id_profile      INTEGER PRIMARY KEY AUTOINCREMENT,
    name            VARCHAR(255) COLLATE NOCASE CHECK (length(name) <= 255),
    nickname        VARCHAR(255) COLLATE NOCASE CHECK (length(nickname) <= 255),
    mobile_number   VARCHAR(25)  COLLATE NOCASE CHECK (length(mobile_number) <= 25),
    email           VARCHAR(255) COLLATE NOCASE CHECK (length(email) <= 255),
    group_name      VARCHAR(100) COLLATE NOCASE CHECK (length(group_name) <= 100),
    festive         VARCHAR(255) COLLATE NOCASE CHECK (length(festive) <= 255),
    birthday        VARCHAR(50)  COLLATE NOCASE CHECK (length(birthday) <= 50),
    maritial_status VARCHAR(8)   COLLATE NOCASE CHECK (length(maritial_status) <= 8),
    aniversary      VARCHAR(50)  COLLATE NOCASE CHECK (length(aniversary) <= 50),
    income          VARCHAR(6)   COLLATE NOCASE CHECK (length(income) <= 6),
    greeting        VARCHAR(100) COLLATE NOCASE CHECK (length(greeting) <= 100),
    languages       VARCHAR(40)  COLLATE NOCASE CHECK (length(languages) <= 40),
    notes           TEXT         COLLATE NOCASE,
    var1            VARCHAR(50)  COLLATE NOCASE CHECK (length(var1) <= 50),
    var2            VARCHAR(50)  COLLATE NOCASE CHECK (length(var2) <= 50)
);

CREATE TABLE grouping (
    id              INTEGER PRIMARY KEY AUTOINCREMENT,
    group_name      VARCHAR(150) COLLATE NOCASE CHECK (length(group_name) <= 150)
);

CREATE TABLE greeting (
    id              INTEGER PRIMARY KEY AUTOINCREMENT,
    language        VARCHAR(100) COLLATE NOCASE CHECK (length(language) <= 100),
    greeting        VARCHAR(255) COLLATE NOCASE CHECK (length(greeting) <= 255)
);

CREATE TABLE birthday (
    id                  INTEGER PRIMARY KEY AUTOINCREMENT,
    auto_broadcast      VARCHAR(6) COLLATE NOCASE CHECK (length(auto_broadcast) <= 6),
    auto_broadcast_time DATETIME,
    msg_eng             TEXT COLLATE NOCASE,
    msg_malay           TEXT COLLATE NOCASE
);

CREATE TABLE anniversary (
    id                  INTEGER PRIMARY KEY AUTOINCREMENT,
    auto_broadcast      VARCHAR(6) COLLATE NOCASE CHECK (length(auto_broadcast) <= 6),
    auto_broadcast_time DATETIME,
    msg_eng             TEXT COLLATE NOCASE,
    msg_malay           TEXT COLLATE NOCASE
);

CREATE TABLE text_replacement (
    id              INTEGER PRIMARY KEY AUTOINCREMENT,
    name            VARCHAR(255) COLLATE NOCASE CHECK (length(name) <= 255),
    nickname        VARCHAR(150) COLLATE NOCASE CHECK (length(nickname) <= 150),
    geeting         VARCHAR(255) COLLATE NOCASE CHECK (length(geeting) <= 255),
    var1            VARCHAR(50)  COLLATE NOCASE CHECK (length(var1) <= 50),
    var2            VARCHAR(50)  COLLATE NOCASE CHECK (length(var2) <= 50)
);

CREATE TABLE smsc (
    center_number   VARCHAR(50) COLLATE NOCASE CHECK (length(center_number) <= 50)
);

CREATE TABLE languages (
    ID              INTEGER PRIMARY KEY AUTOINCREMENT,
    lang1           VARCHAR(50) COLLATE NOCASE CHECK (length(lang1) <= 50),
    lang2           VARCHAR(50) COLLATE NOCASE CHECK (length(lang2) <= 50)
);

CREATE TABLE project (
    id                      INTEGER PRIMARY KEY AUTOINCREMENT,
    project_name            VARCHAR(255) COLLATE NOCASE CHECK (length(project_name) <= 255),
    project_date            DATETIME,
    msg_template_eng        TEXT COLLATE NOCASE,
    msg_template_malay      TEXT COLLATE NOCASE,
    festive                 VARCHAR(40) COLLATE NOCASE CHECK (length(festive) <= 40),
    project_broadcast__date DATETIME,
    schedule                VARCHAR(3) COLLATE NOCASE CHECK (length(schedule) <= 3),
    date_send               DATETIME
);

CREATE TABLE project_group (
    id              INTEGER PRIMARY KEY AUTOINCREMENT,
    project_name    VARCHAR(255) COLLATE NOCASE CHECK (length(project_name) <= 255),
    group_name      VARCHAR(255) COLLATE NOCASE CHECK (length(group_name) <= 255)
);

CREATE TABLE project_detail (
    id              INTEGER PRIMARY KEY AUTOINCREMENT,
    project_name    VARCHAR(255) COLLATE NOCASE CHECK (length(project_name) <= 255),
    date_send       DATETIME,
    mobile_number   VARCHAR(255) COLLATE NOCASE CHECK (length(mobile_number) <= 255),
    name            VARCHAR(255) COLLATE NOCASE CHECK (length(name) <= 255),
    nickname        VARCHAR(150) COLLATE NOCASE CHECK (length(nickname) <= 150),
    group_name      VARCHAR(100) COLLATE NOCASE CHECK (length(group_name) <= 100),
    msg_send        TEXT COLLATE NOCASE,
    status          VARCHAR(50) COLLATE NOCASE CHECK (length(status) <= 50),
    festive         VARCHAR(70) COLLATE NOCASE CHECK (length(festive) <= 70)
);

CREATE TABLE transaction_log (
    id              INTEGER PRIMARY KEY AUTOINCREMENT,
    project_name    VARCHAR(255) COLLATE NOCASE CHECK (length(project_name) <= 255),
    date_send       DATETIME,
    mobile_number   VARCHAR(255) COLLATE NOCASE CHECK (length(mobile_number) <= 255),
    name            VARCHAR(255) COLLATE NOCASE CHECK (length(name) <= 255),
    nickname        VARCHAR(150) COLLATE NOCASE CHECK (length(nickname) <= 150),
    group_name      VARCHAR(100) COLLATE NOCASE CHECK (length(group_name) <= 100),
    msg_send        TEXT COLLATE NOCASE,
    status          VARCHAR(50) COLLATE NOCASE CHECK (length(status) <= 50)
);

-- Settings beyond the twelve tables, one row a setting; "schema" is the number of the
-- schema's last change (Schema::migrations). The program adds this table to a file made
-- before it existed.
CREATE TABLE options (
    name            VARCHAR(100) COLLATE NOCASE PRIMARY KEY CHECK (length(name) <= 100),
    value           TEXT
);

-- The modem list: each modem's port, its line settings ("9600,8,1,None,None"), whether
-- it sends ("YES"), and its SIM's message centre when not the Preference tab's.
CREATE TABLE modem (
    id              INTEGER PRIMARY KEY AUTOINCREMENT,
    port            VARCHAR(255) COLLATE NOCASE CHECK (length(port) <= 255),
    line_settings   VARCHAR(50) COLLATE NOCASE CHECK (length(line_settings) <= 50),
    enabled         VARCHAR(3) COLLATE NOCASE CHECK (length(enabled) <= 3),
    centre_number   VARCHAR(50) COLLATE NOCASE CHECK (length(centre_number) <= 50)
);

-- Each SMS the modem was handed, beside its "SEND" row of transaction_log: which modem
-- sent it and the reference the network gave it ("+CMGS: <n>"; NULL when not told), the
-- recipient row it was sent for (NULL for none), and when a delivery report was asked
-- for it, what the network reported: "pending" until a report says "delivered",
-- "trying" or "failed", with the report's status code and time.
CREATE TABLE sms_part (
    id              INTEGER PRIMARY KEY AUTOINCREMENT,
    log_id          INTEGER,
    modem           VARCHAR(255) COLLATE NOCASE CHECK (length(modem) <= 255),
    reference       INTEGER,
    sent            DATETIME,
    detail_id       INTEGER,
    delivery        VARCHAR(10) COLLATE NOCASE CHECK (length(delivery) <= 10),
    delivery_code   INTEGER,
    delivery_time   DATETIME
);

-- The messages that came in: from which modem and number, the text, when the message
-- centre took it and when it was read, whether every part of it came ("YES"), the
-- profile whose number it came from (NULL for none), and whether it was read ("YES").
CREATE TABLE inbox (
    id              INTEGER PRIMARY KEY AUTOINCREMENT,
    modem           VARCHAR(255) COLLATE NOCASE CHECK (length(modem) <= 255),
    number          VARCHAR(50) COLLATE NOCASE CHECK (length(number) <= 50),
    text            TEXT COLLATE NOCASE,
    sent            DATETIME,
    received        DATETIME,
    complete        VARCHAR(3) COLLATE NOCASE CHECK (length(complete) <= 3),
    id_profile      INTEGER,
    seen            VARCHAR(3) COLLATE NOCASE CHECK (length(seen) <= 3)
);

-- The parts of a long message that came in before all of it did, kept here once read
-- from the modem, until the last part makes the message or a day has gone by.
CREATE TABLE inbox_part (
    id              INTEGER PRIMARY KEY AUTOINCREMENT,
    modem           VARCHAR(255) COLLATE NOCASE CHECK (length(modem) <= 255),
    number          VARCHAR(50) COLLATE NOCASE CHECK (length(number) <= 50),
    reference       INTEGER,
    part_count      INTEGER,
    part_index      INTEGER,
    text            TEXT COLLATE NOCASE,
    sent            DATETIME,
    received        DATETIME
);

-- The numbers whose owners asked for no more messages: the number as it came, when, and
-- the message that asked.
CREATE TABLE opt_out (
    id              INTEGER PRIMARY KEY AUTOINCREMENT,
    number          VARCHAR(50) COLLATE NOCASE CHECK (length(number) <= 50),
    date_asked      DATETIME,
    message         TEXT COLLATE NOCASE
);

INSERT INTO options (name, value) VALUES ('schema', '4');
