SET SQL DIALECT 1;

/*
  Goods database (PRECES.GDB) as the exchange host sees it.

  A stand-in for the company's goods database: the tables, columns,
  generators, triggers and the stock procedure that the exchanges read and
  write, with the types the goods program uses.  The real database holds a
  good deal more (reports, user rights, bookkeeping); nothing here depends
  on it.

  Run by scripts/create-goods-db after CREATE DATABASE, with SET NAMES UTF8
  issued first.  Dialect 1: DATE carries the time of day as well, there is
  no TIME type and identifiers are never quoted.

  House rules of the goods database:
  - every table has the key ISN INTEGER; a reference is IS + the short name
    of the referenced table (ISPRECE goods, ISNODALA department, ISKLIENT
    customer or supplier, ...).  There are no foreign-key constraints: a
    reference that does not resolve points at the default row ISN 1
    ("Nav noteikts"), which the program creates on its first connect;
  - every table has a generator <table>GEN and a BEFORE INSERT trigger that
    takes the key from it when the insert gives none (an explicit key, such
    as the default row's 1, is kept);
  - names are in GNOS; text flags are 'T'/'F', NULL counts as 'F';
  - amounts, quantities and prices are DOUBLE PRECISION.
*/

/* ======================================================================
   Settings
   ====================================================================== */

/* Company data and the names of the sixteen price levels.  One row. */
CREATE TABLE N_ISI (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISIORGNOS             VARCHAR(150),      /* company name */
  ISIREGNR              VARCHAR(20),       /* registration number */
  ISINOD_NR             VARCHAR(20),       /* VAT number */
  ISINORREKINS          VARCHAR(40),       /* settlement account */
  ISIKORKONTS           VARCHAR(40),       /* bank account (IBAN) */
  ISIBANKNOS            VARCHAR(100),
  ISIBANKKODS           VARCHAR(30),       /* BIC */
  ISIORGADR             VARCHAR(250),      /* legal address */
  ISIORGTIRADR          VARCHAR(250),      /* trading address */
  ISIORGVALSTS          VARCHAR(60),
  ISIORGVALSTSKODS      VARCHAR(5),
  ISIORGTEL             VARCHAR(40),
  ISISYSTEM             VARCHAR(60),
  ISIDAUDZBEZDECIMAL    CHAR(1),           /* quantities without decimals */
  ISIIZR2ARTNOS         VARCHAR(30),       /* caption of the second article */
  ISICENA1NOS           VARCHAR(30),
  ISICENA2NOS           VARCHAR(30),
  ISICENA3NOS           VARCHAR(30),
  ISICENA4NOS           VARCHAR(30),
  ISICENA5NOS           VARCHAR(30),
  ISICENA6NOS           VARCHAR(30),
  ISICENA7NOS           VARCHAR(30),
  ISICENA8NOS           VARCHAR(30),
  ISICENA9NOS           VARCHAR(30),
  ISICENA10NOS          VARCHAR(30),
  ISICENA11NOS          VARCHAR(30),
  ISICENA12NOS          VARCHAR(30),
  ISICENA13NOS          VARCHAR(30),
  ISICENA14NOS          VARCHAR(30),
  ISICENA15NOS          VARCHAR(30),
  ISICENA16NOS          VARCHAR(30)
);

/* System settings of the goods program and the connection data of the
   exchanges (web shop, languages of the shop).  One row, ISN 10. */
CREATE TABLE N_ISI2 (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  /* document FTP of the goods program */
  AFTP_HOST             VARCHAR(100),
  AFTP_USERNAME         VARCHAR(60),
  AFTP_USERPASW         VARCHAR(60),
  AFTP_TODIR            VARCHAR(250),
  AFTP_FROMDIR          VARCHAR(250),
  AFTP_PASUTDIR         VARCHAR(250),
  AFTP_REQUEST          VARCHAR(250),
  /* documents and prices */
  DEF_PVN               DOUBLE PRECISION DEFAULT 21,   /* default VAT rate */
  SERTIF_FIFO           CHAR(1),
  FILL2IEPCENA          CHAR(1),           /* fill purchase prices of receipt lines */
  PARDCENASAR           INTEGER,           /* 1: sales prices include VAT */
  RECALC_PIEC_1_2       CHAR(1),           /* recompute levels 1 and 5 on a new purchase price */
  PARVREKVIZITIFROM     INTEGER,           /* whose requisites a transfer note prints */
  PL_ZIMES_TIPS         INTEGER,
  PL_ZIMES_PATH         VARCHAR(250),
  ISISERTARATLIK        CHAR(1),
  SHOWSERTATLIK         CHAR(1),
  DEK_PREFIX            VARCHAR(10),
  PARBGABALPRECE        CHAR(1),
  NEDZESTARTIKULUS      CHAR(1),
  E_ADRESE              VARCHAR(100),
  /* weighbridge settings; read at connect, not used by the exchanges */
  WB_PARTRAUKUMI        VARCHAR(250),
  WB_ATLIK_KONTROLE     CHAR(1),
  WB_SVETKI             VARCHAR(1000),
  WB_DIENA_SAKAS        VARCHAR(10),
  /* list colours of the document windows (colour value and on/off) */
  PASUTCOLOR1           INTEGER,
  PASUTCOLOR1FLAG       CHAR(1),
  PASUTCOLOR2           INTEGER,
  PASUTCOLOR2FLAG       CHAR(1),
  PASUTCOLOR3           INTEGER,
  PASUTCOLOR3FLAG       CHAR(1),
  PASUTCOLOR4           INTEGER,
  PASUTCOLOR4FLAG       CHAR(1),
  PASUTCOLOR5           INTEGER,
  PASUTCOLOR5FLAG       CHAR(1),
  PASUTCOLOR6           INTEGER,
  PASUTCOLOR6FLAG       CHAR(1),
  SANEMCOLOR1           INTEGER,
  SANEMCOLOR1FLAG       CHAR(1),
  SANEMCOLOR2           INTEGER,
  SANEMCOLOR2FLAG       CHAR(1),
  SANEMCOLOR3           INTEGER,
  SANEMCOLOR3FLAG       CHAR(1),
  SANEMCOLOR4           INTEGER,
  SANEMCOLOR4FLAG       CHAR(1),
  PARVCOLOR1            INTEGER,
  PARVCOLOR1FLAG        CHAR(1),
  PARVCOLOR2            INTEGER,
  PARVCOLOR2FLAG        CHAR(1),
  PARCENCOLOR1          INTEGER,
  PARCENCOLOR1FLAG      CHAR(1),
  IZRCOLOR1             INTEGER,
  IZRCOLOR1FLAG         CHAR(1),
  IZRCOLOR2             INTEGER,
  IZRCOLOR2FLAG         CHAR(1),
  APMAKSCOLOR1          INTEGER,
  APMAKSCOLOR1FLAG      CHAR(1),
  ATGRCOLOR1            INTEGER,
  ATGRCOLOR1FLAG        CHAR(1),
  ATGRCOLOR2            INTEGER,
  ATGRCOLOR2FLAG        CHAR(1),
  ATGRCOLOR3            INTEGER,
  ATGRCOLOR3FLAG        CHAR(1),
  /* web shop (OpenCart) */
  E_SHOP_FTP            VARCHAR(100),      /* host[:port] of the picture FTP */
  E_SHOP_FTP_DIR        VARCHAR(250),
  E_SHOP_FTP_USERNAME   VARCHAR(60),
  E_SHOP_FTP_PASWORD    VARCHAR(60),
  E_SHOP_MYSQL_IP       VARCHAR(100),      /* host[:port] */
  E_SHOP_MYSQL_DB       VARCHAR(60),
  E_SHOP_MYSQL_USERNAME VARCHAR(60),
  E_SHOP_MYSQL_PASWORD  VARCHAR(60),
  E_SHOP_ISNODALA       VARCHAR(250),      /* stock departments, each key followed by a separator: "2,3," */
  E_SHOP_ISNODALA_IN    INTEGER,           /* department that receives shop orders */
  E_SHOP_ATLIK_ATRIBUTS INTEGER,           /* shop option carrying stock per department */
  E_SHOP_ISNOD_AKCIJAS  VARCHAR(250),
  WWW_COMPLETED         VARCHAR(64),       /* shop order status name for "shipped" */
  WWW_KODS_GNOS         INTEGER,           /* shop language_id of GNOS */
  WWW_KODS_GNOS2        INTEGER,
  WWW_KODS_GNOS3        INTEGER,
  WWW_KODS_GNOS4        INTEGER,
  WWW_KODS_GNOS_RUS     INTEGER
);


/* ======================================================================
   Registers (N_...)
   ====================================================================== */

CREATE TABLE N_AGENTS (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100),
  KODS                  VARCHAR(20),
  ISMASINA              INTEGER,           /* the agent's usual vehicle */
  TELEFONS              VARCHAR(40),
  E_MAIL                VARCHAR(100),
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40)
);

CREATE TABLE N_BANKA (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100),
  KODS                  VARCHAR(30),       /* BIC / SWIFT */
  ADRESE                VARCHAR(250),
  VALSTS_KODS           VARCHAR(5)
);

/* Departments: warehouses and shops. */
CREATE TABLE N_DEPART (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100),
  KODS                  VARCHAR(30),       /* own code, also used by D365 documents */
  TELEMAA_KODS          VARCHAR(30),       /* GLN at Telema */
  EDISOFT_KODS          VARCHAR(30),       /* delivery location number at Edisoft */
  EQUINOX_KODS          VARCHAR(30),
  E_SHOP_KODS           INTEGER DEFAULT 0, /* shop option_value_id of the department; 0 = not in the shop */
  WEB_ZONE_ID           VARCHAR(250),      /* shop zones the department serves: "|3513|3514|" */
  CENKODS               INTEGER,           /* price level the department sells at (PARDCENA<n>) */
  CENNRREGFLAG          CHAR(1),
  ADRESE                VARCHAR(250),
  TIRDZNADR             VARCHAR(250),      /* trading address */
  BAZE_FLAG             CHAR(1),           /* 'T': a warehouse run by Equinox */
  FLAG_3D               CHAR(1),           /* 'T': third-party department, not sent to Equinox */
  LICENCE               VARCHAR(250),      /* "Alkohola ..., Tabakas ..." */
  TELEFONS              VARCHAR(40),
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40)
);

/* Customers and suppliers. */
CREATE TABLE N_KLIENT (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100),
  REGNR                 VARCHAR(20),
  PVNKODS               VARCHAR(20),       /* VAT code, LV + 11 digits */
  IDKODS                VARCHAR(30),       /* code in the outside systems (D365 account, shop customer_id) */
  FTP_KLKODS            VARCHAR(30),       /* EDI code (GLN) */
  PIRCEJS               CHAR(1),           /* buyer */
  PIEGADAT              CHAR(1),           /* supplier */
  E_KLIENTS             CHAR(1),           /* web shop customer */
  PERSONA               CHAR(1),           /* private person */
  ARZEMPIEG             CHAR(1),           /* foreign supplier */
  ISKLGRUPA             INTEGER,
  ISKLAGENTS            INTEGER,
  ISAPMAKSVEIDS         INTEGER,
  ISBANKA               INTEGER,
  ISLICENC              INTEGER,
  KONTS                 VARCHAR(40),       /* bank account */
  ADRESE                VARCHAR(250),
  ADRESE2               VARCHAR(250),      /* delivery address */
  ADRESELIST            VARCHAR(4000),     /* further addresses, "|" separated */
  PILSETA               VARCHAR(60),
  PASTINDEKS            VARCHAR(20),
  VALSTS                VARCHAR(60),
  VALSTS_KODS           VARCHAR(10),
  TELEFONS              VARCHAR(40),
  FAKSS                 VARCHAR(40),
  E_MAIL                VARCHAR(100),
  SUBSCRIBE_MAIL        VARCHAR(100),      /* e-mail of a web customer */
  PINKODS               VARCHAR(100),      /* shop password: hash:salt */
  WEB_ID                INTEGER,           /* shop customer_group_id */
  WWW_CUSTOM_FIELD      VARCHAR(2000),     /* shop custom_field JSON */
  ATLAIDE               DOUBLE PRECISION DEFAULT 0,   /* discount, percent */
  ATLGRUPA              INTEGER,           /* discount group 1..8 (N_PRGRUP.ATLAIDE<n>) */
  CENUGRUPA             INTEGER,           /* price level */
  NODALAS_CENAS         CHAR(1),           /* 'T': the department's price level applies */
  SPECPVNLIKME          DOUBLE PRECISION,  /* special VAT rate, -1 = none */
  MAXPARADS             DOUBLE PRECISION,  /* credit limit */
  MAXKAVETDIENAS        INTEGER,           /* allowed days overdue */
  KONSIGN               VARCHAR(20),       /* consignment / payment days */
  NELAUT_IZRAKSTIT      CHAR(1),           /* blocked for sale */
  SAKATLSUM             DOUBLE PRECISION,  /* opening balance */
  SAKATLDAT             DATE,              /* its date */
  FUSSANTIPS            VARCHAR(20),       /* defaults for receipts from this supplier */
  FUSSANPAMATS          VARCHAR(200),
  KLKOMENT              VARCHAR(1000),     /* Horizon counter-party codes seen, comma separated */
  /* EDI settings of the partner */
  FTP_TIPS              INTEGER,           /* 4 = invoices go to Telema */
  FTP_ISNODALA          INTEGER,           /* department for its receipts */
  FTP_DATI_IEP_C        CHAR(1),           /* 'T': the file carries the unit net price */
  FTP_BEZIEP_C          CHAR(1),           /* 'T': orders go without prices */
  FTP_IZRAKSTNESUTIT    CHAR(1),           /* 'T': do not send invoices */
  FTP_MERV_FLAG         INTEGER,           /* 1 goods unit, 2 goods unit for weighed goods else FTP_MERVIEN */
  FTP_MERVIEN           VARCHAR(20),
  FTP_ARTIKULS2         INTEGER,           /* article column (2..7) for the partner's codes; 0 = ARTIKULS */
  FTP_ARTIKULS3         INTEGER,
  EDISOFT_ARTIK_NR      INTEGER,
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40),
  EDITDAT               DATE,
  EDITKODS              VARCHAR(40)
);

CREATE TABLE N_KLGRUP (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100)
);

CREATE TABLE N_KLGRUPPAP1 (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100)
);

/* Branches (delivery places, structural units) of customers. */
CREATE TABLE N_KL_STRV (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISKLIENT              INTEGER,
  GNOS                  VARCHAR(100),
  KODS                  VARCHAR(30),       /* branch code (GLN of the delivery point) */
  FTP_KLKODS            VARCHAR(30),       /* EDI code */
  ADRESE                VARCHAR(250),
  ATBILDPERSONA1        VARCHAR(100),
  TELEFONS1             VARCHAR(40),
  FAX1                  VARCHAR(40),
  E_MAIL1               VARCHAR(100),
  WEB_FIRSTNAME         VARCHAR(60),
  WEB_LASTNAME          VARCHAR(60),
  WEB_ZONE_ID           INTEGER,           /* shop zone_id */
  ISNODALA_WWW          INTEGER,           /* department serving the shop zone */
  ISAGENTS              INTEGER,
  NESUTIT_TELEMAA       CHAR(1),
  /* order days: ORDER_<weekday> 'T' means ORDER_ISAGENTS_<weekday> takes the order */
  ORDER_1               CHAR(1),
  ORDER_2               CHAR(1),
  ORDER_3               CHAR(1),
  ORDER_4               CHAR(1),
  ORDER_5               CHAR(1),
  ORDER_6               CHAR(1),
  ORDER_7               CHAR(1),
  ORDER_ISAGENTS_1      INTEGER,
  ORDER_ISAGENTS_2      INTEGER,
  ORDER_ISAGENTS_3      INTEGER,
  ORDER_ISAGENTS_4      INTEGER,
  ORDER_ISAGENTS_5      INTEGER,
  ORDER_ISAGENTS_6      INTEGER,
  ORDER_ISAGENTS_7      INTEGER
);

/* Goods. */
CREATE TABLE N_KLPREC (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(200),
  INOS                  VARCHAR(200),      /* second (international) name */
  GNOS2                 VARCHAR(200),      /* names in further shop languages */
  GNOS3                 VARCHAR(200),
  GNOS4                 VARCHAR(200),
  GNOS_RUS              VARCHAR(200),
  ARTIKULS              VARCHAR(30),       /* main article / bar code */
  ARTIKULS2             VARCHAR(30),
  ARTIKULS3             VARCHAR(30),
  ARTIKULS4             VARCHAR(30),
  ARTIKULS5             VARCHAR(30),       /* D365 product number */
  ARTIKULS6             VARCHAR(30),
  ARTIKULS7             VARCHAR(30),       /* group article: variants share it */
  ARTIKULI_N            VARCHAR(500),      /* further codes, "|a|b|" */
  ISPRGRUPA             INTEGER,
  ISPRGRUPAVEL          VARCHAR(250),      /* further groups, "|" separated */
  ISPAPILDGRUP1         INTEGER,
  ISPAPILDGRUP2         INTEGER,
  ISPAPILDGRUP3         INTEGER,           /* manufacturer */
  ISPAPILDGRUP4         INTEGER,
  ISPAPILDGRUP5         INTEGER,
  ISPAPILDGRUP6         INTEGER,
  ISPAPILDGRUP7         INTEGER,
  ISSERTIF1             INTEGER,
  ISPRKLIENT            INTEGER,           /* main supplier */
  ISPRLOGISTIKA         INTEGER,           /* logistics partner */
  MERVIENIBA            VARCHAR(20),       /* unit */
  NODOKLIS              DOUBLE PRECISION,  /* VAT rate, percent */
  PVN_REVERSS           INTEGER,           /* reverse-charge kind; 0/NULL = none */
  PAKALPOJ              CHAR(1),           /* service, no stock */
  TARA                  CHAR(1),           /* returnable packaging */
  DEPOZITATARA          CHAR(1),           /* is a deposit packaging article */
  ISDEPOZITATARA        INTEGER,           /* deposit packaging that goes with it */
  DEPOZITATARADAUDZUMS  DOUBLE PRECISION,  /* ... and how many per unit */
  GABALPRECE            CHAR(1),           /* sold by piece */
  EXPSVARI              CHAR(1),           /* sent to the scales */
  EXPSVARI2             CHAR(1),
  PRECES_TIPS           VARCHAR(20),       /* FIXED, SCAN_PACK, ... for the warehouse */
  IR_DALAMA             CHAR(1),           /* breakable */
  NEAKTIVA              CHAR(1),           /* blocked for purchase */
  NEAKTIVA_PARD         CHAR(1),           /* blocked for sale */
  /* measures and logistics */
  LITRAZA               DOUBLE PRECISION,  /* content / weight of one unit */
  NETTO                 DOUBLE PRECISION,
  BRUTOSVARS            DOUBLE PRECISION,
  GARUMS                DOUBLE PRECISION,
  PLATUMS               DOUBLE PRECISION,
  AUGSTUMS              DOUBLE PRECISION,
  KOP_TILPUMS           DOUBLE PRECISION,
  PALETE_H              DOUBLE PRECISION,
  PALETE_KARTAS         INTEGER,
  SKKASTE               DOUBLE PRECISION,  /* units in a box */
  SKKASTELIELA          DOUBLE PRECISION,  /* units in a big box */
  SKPALETE              DOUBLE PRECISION,  /* units on a pallet */
  PIEGSK                DOUBLE PRECISION,  /* days between orders */
  MIN_PASUT             DOUBLE PRECISION,
  MAX_PASUT             DOUBLE PRECISION,
  DERDIENAS_MAX         INTEGER,           /* shelf life, days */
  GLABTEMP              VARCHAR(30),
  VALSTS                VARCHAR(60),       /* country of origin */
  ALKOHOLS              DOUBLE PRECISION,
  CUKURS                DOUBLE PRECISION,
  MUITASKODS_RUS        VARCHAR(20),
  ST_PIEG_VEIDS         VARCHAR(60),
  FAKT_PIEG_VEIDS       VARCHAR(60),
  IEKSLOGISTS_FLAG      INTEGER,
  KOMENTARS             VARCHAR(1000),
  /* prices: sixteen sales levels with VAT, their markups, formulas and
     rounding, the coming ("new") levels, purchase prices and cost parts */
  PARDCENA1             DOUBLE PRECISION DEFAULT 0,
  PARDCENA2             DOUBLE PRECISION DEFAULT 0,
  PARDCENA3             DOUBLE PRECISION DEFAULT 0,
  PARDCENA4             DOUBLE PRECISION DEFAULT 0,
  PARDCENA5             DOUBLE PRECISION DEFAULT 0,
  PARDCENA6             DOUBLE PRECISION DEFAULT 0,
  PARDCENA7             DOUBLE PRECISION DEFAULT 0,
  PARDCENA8             DOUBLE PRECISION DEFAULT 0,
  PARDCENA9             DOUBLE PRECISION DEFAULT 0,
  PARDCENA10            DOUBLE PRECISION DEFAULT 0,  /* sale price of the shop */
  PARDCENA11            DOUBLE PRECISION DEFAULT 0,
  PARDCENA12            DOUBLE PRECISION DEFAULT 0,
  PARDCENA13            DOUBLE PRECISION DEFAULT 0,
  PARDCENA14            DOUBLE PRECISION DEFAULT 0,
  PARDCENA15            DOUBLE PRECISION DEFAULT 0,
  PARDCENA16            DOUBLE PRECISION DEFAULT 0,
  PIECEN1               DOUBLE PRECISION,
  PIECEN2               DOUBLE PRECISION,
  PIECEN3               DOUBLE PRECISION,
  PIECEN4               DOUBLE PRECISION,
  PIECEN5               DOUBLE PRECISION,
  PIECEN6               DOUBLE PRECISION,
  PIECEN7               DOUBLE PRECISION,
  PIECEN8               DOUBLE PRECISION,
  PIECEN9               DOUBLE PRECISION,
  PIECEN10              DOUBLE PRECISION,
  PIECEN11              DOUBLE PRECISION,
  PIECEN12              DOUBLE PRECISION,
  PIECEN13              DOUBLE PRECISION,
  PIECEN14              DOUBLE PRECISION,
  PIECEN15              DOUBLE PRECISION,
  PIECEN16              DOUBLE PRECISION,
  NEWCENDAT             DATE,              /* date the new levels take effect */
  NEWCENA1              DOUBLE PRECISION,
  NEWCENA2              DOUBLE PRECISION,
  NEWCENA3              DOUBLE PRECISION,
  NEWCENA4              DOUBLE PRECISION,
  NEWCENA5              DOUBLE PRECISION,
  NEWCENA6              DOUBLE PRECISION,
  NEWCENA7              DOUBLE PRECISION,
  NEWCENA8              DOUBLE PRECISION,
  NEWCENA9              DOUBLE PRECISION,
  NEWCENA10             DOUBLE PRECISION,
  NEWCENA11             DOUBLE PRECISION,
  NEWCENA12             DOUBLE PRECISION,
  NEWCENA13             DOUBLE PRECISION,
  NEWCENA14             DOUBLE PRECISION,
  NEWCENA15             DOUBLE PRECISION,
  NEWCENA16             DOUBLE PRECISION,
  CENA1ALGORITM         VARCHAR(120),      /* price formulas: "<NET>*1.3*(1+<PVN>/100)" */
  CENA2ALGORITM         VARCHAR(120),
  CENA3ALGORITM         VARCHAR(120),
  CENA4ALGORITM         VARCHAR(120),
  CENA5ALGORITM         VARCHAR(120),
  CENA6ALGORITM         VARCHAR(120),
  CENA7ALGORITM         VARCHAR(120),
  CENA8ALGORITM         VARCHAR(120),
  CENA9ALGORITM         VARCHAR(120),
  CENA10ALGORITM        VARCHAR(120),
  CENA11ALGORITM        VARCHAR(120),
  CENA12ALGORITM        VARCHAR(120),
  CENA13ALGORITM        VARCHAR(120),
  CENA14ALGORITM        VARCHAR(120),
  CENA15ALGORITM        VARCHAR(120),
  CENA16ALGORITM        VARCHAR(120),
  NEWCENA1ALGORITM      VARCHAR(120),
  NEWCENA2ALGORITM      VARCHAR(120),
  NEWCENA3ALGORITM      VARCHAR(120),
  NEWCENA4ALGORITM      VARCHAR(120),
  NEWCENA5ALGORITM      VARCHAR(120),
  NEWCENA6ALGORITM      VARCHAR(120),
  NEWCENA7ALGORITM      VARCHAR(120),
  NEWCENA8ALGORITM      VARCHAR(120),
  NEWCENA9ALGORITM      VARCHAR(120),
  NEWCENA10ALGORITM     VARCHAR(120),
  NEWCENA11ALGORITM     VARCHAR(120),
  NEWCENA12ALGORITM     VARCHAR(120),
  NEWCENA13ALGORITM     VARCHAR(120),
  NEWCENA14ALGORITM     VARCHAR(120),
  NEWCENA15ALGORITM     VARCHAR(120),
  NEWCENA16ALGORITM     VARCHAR(120),
  CENA1ALGORAPAL        INTEGER,           /* rounding: decimals, 0 = default, 11 = to 0/5 hundredths */
  CENA2ALGORAPAL        INTEGER,
  CENA3ALGORAPAL        INTEGER,
  CENA4ALGORAPAL        INTEGER,
  CENA5ALGORAPAL        INTEGER,
  CENA6ALGORAPAL        INTEGER,
  CENA7ALGORAPAL        INTEGER,
  CENA8ALGORAPAL        INTEGER,
  CENA9ALGORAPAL        INTEGER,
  CENA10ALGORAPAL       INTEGER,
  CENA11ALGORAPAL       INTEGER,
  CENA12ALGORAPAL       INTEGER,
  CENA13ALGORAPAL       INTEGER,
  CENA14ALGORAPAL       INTEGER,
  CENA15ALGORAPAL       INTEGER,
  CENA16ALGORAPAL       INTEGER,
  NETCENAALGORITM       VARCHAR(120),
  NET_CENA              DOUBLE PRECISION DEFAULT 0,  /* net purchase price */
  NEWIEPCENA            DOUBLE PRECISION DEFAULT 0,  /* purchase price */
  NEWIEPCENA2           DOUBLE PRECISION DEFAULT 0,  /* purchase price outside promotions */
  NERIEPCENUUSER        CHAR(1),
  PASTAVIGATLAID        DOUBLE PRECISION,  /* permanent discount, percent */
  MINCENFLAG            CHAR(1),
  MINCENA               DOUBLE PRECISION,
  APLIMESANA            DOUBLE PRECISION,
  LOGISTIKA             DOUBLE PRECISION,
  BONUSS                DOUBLE PRECISION,
  DRN_PROCENTS          DOUBLE PRECISION,
  TRANSPORTS            DOUBLE PRECISION,
  AKCIZNOD              DOUBLE PRECISION,
  KATALVAL              DOUBLE PRECISION,  /* catalogue price in currency KATCVAL */
  KATCVAL               INTEGER,           /* N_VALUTA */
  /* promotions */
  FIELD1                VARCHAR(200),
  FIELD2                VARCHAR(200),
  FIELD3                VARCHAR(200),      /* top promotion label */
  FIELD4                VARCHAR(200),      /* its period */
  FIELD5                VARCHAR(200),      /* other promotion label */
  FIELD6                VARCHAR(200),      /* its period */
  AKCIJAS_VEIDS_1       VARCHAR(250),
  AKCIJAS_VEIDS_2       VARCHAR(250),
  /* web shop */
  WEB_NESUTIT           CHAR(1),           /* 'T': not in the shop */
  WEB_NEW               CHAR(1),
  WEB_NEW_DATLIDZ       DATE,
  WEB_SALE              CHAR(1),
  WEB_SALE_DATLIDZ      DATE,
  WWW_ARI0              CHAR(1),           /* shown also without stock */
  WWW_MINIMUMS          DOUBLE PRECISION,
  WWW_SEO               VARCHAR(250),
  WWW_META_DESCRIPTION  VARCHAR(500),
  WWW_META_KEYWORD      VARCHAR(500),
  WWW_COMENT            BLOB SUB_TYPE TEXT,
  WWW_COMENT2           BLOB SUB_TYPE TEXT,
  WWW_COMENT3           BLOB SUB_TYPE TEXT,
  WWW_COMENT4           BLOB SUB_TYPE TEXT,
  WWW_COMENT_RUS        BLOB SUB_TYPE TEXT,
  BILDE                 BLOB SUB_TYPE 0,   /* pictures, JPG or PNG data */
  BILDE2                BLOB SUB_TYPE 0,
  BILDE3                BLOB SUB_TYPE 0,
  BILDE4                BLOB SUB_TYPE 0,
  BILDE5                BLOB SUB_TYPE 0,
  BILDE6                BLOB SUB_TYPE 0,
  BILDE7                BLOB SUB_TYPE 0,
  BILDE8                BLOB SUB_TYPE 0,
  BILDE9                BLOB SUB_TYPE 0,
  BILDE10               BLOB SUB_TYPE 0,
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40),
  EDITDAT               DATE,              /* last change; the shop and Equinox exports send what changed */
  EDITKODS              VARCHAR(40)
);

/* Vendor order and delivery schedules (from D365). */
CREATE TABLE N_KLPASGRAF (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISKLIENT              INTEGER,
  D365_ID               VARCHAR(40),       /* OrderScheduleId */
  TERMINS_FLAG          INTEGER,           /* order regularity 0..7 */
  DIENA_DATUMS          INTEGER,           /* order day of week or of month */
  PASUT_LAIKS           VARCHAR(20),       /* order time */
  PIEGADE               INTEGER,           /* delivery day */
  PASUT_VEIDS           VARCHAR(60),
  PIEGAD_VEIDS          VARCHAR(60),       /* "Bāzes piegāde" / "Tiešā piegāde" */
  NODALAS               VARCHAR(1000),     /* departments: "|3||7|" */
  KOMENTARS             VARCHAR(1000),
  PIEG_TERMINS_FLAG     INTEGER,
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40)
);

CREATE TABLE N_LICENC (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(250),      /* licence text: "Alkohola ... Nr. 1234, Tabakas ..." */
  DERIGSLIDZ            DATE
);

/* Vehicles. */
CREATE TABLE N_MASINA (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100),
  VADITAJS              VARCHAR(100),      /* driver */
  NUMURS                VARCHAR(20)
);

/* Additional goods classifiers; number 3 holds the manufacturers. */
CREATE TABLE N_PAPILDGRUP1 (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100),
  KODS                  VARCHAR(20)
);

CREATE TABLE N_PAPILDGRUP2 (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100),
  KODS                  VARCHAR(20)
);

CREATE TABLE N_PAPILDGRUP3 (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100),
  KODS                  VARCHAR(20),
  BILDE                 BLOB SUB_TYPE 0    /* manufacturer logo */
);

CREATE TABLE N_PAPILDGRUP4 (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100),
  KODS                  VARCHAR(20)
);

CREATE TABLE N_PAPILDGRUP5 (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100),
  KODS                  VARCHAR(20)
);

CREATE TABLE N_PAPILDGRUP6 (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100),
  KODS                  VARCHAR(20)
);

CREATE TABLE N_PAPILDGRUP7 (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100),
  KODS                  VARCHAR(20)
);

/* Goods groups (shop categories, D365 categories). */
CREATE TABLE N_PRGRUP (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100),
  GNOS2                 VARCHAR(100),
  GNOS3                 VARCHAR(100),
  GNOS4                 VARCHAR(100),
  GNOS_RUS              VARCHAR(100),
  KODS                  VARCHAR(20),
  GRUPKOD               VARCHAR(30),       /* D365 category code; shop sort order */
  ISPARENT              INTEGER,
  SORTIMENTS            CHAR(1),           /* 'T': assortment is kept per department */
  EQUINOXPROCESSINGTYPE INTEGER,           /* not 0: cross-docking at the warehouse */
  ATLAIDE1              DOUBLE PRECISION,  /* discounts of the customer discount groups */
  ATLAIDE2              DOUBLE PRECISION,
  ATLAIDE3              DOUBLE PRECISION,
  ATLAIDE4              DOUBLE PRECISION,
  ATLAIDE5              DOUBLE PRECISION,
  ATLAIDE6              DOUBLE PRECISION,
  ATLAIDE7              DOUBLE PRECISION,
  ATLAIDE8              DOUBLE PRECISION,
  WEB_NESUTIT           CHAR(1),
  WWW_SEO               VARCHAR(250),
  WWW_META_TITLE        VARCHAR(250),
  WWW_META_DESCRIPTION  VARCHAR(500),
  WWW_META_KEYWORD      VARCHAR(500),
  BILDE                 BLOB SUB_TYPE 0,
  BILDESMALL            BLOB SUB_TYPE 0,
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40),
  EDITDAT               DATE,
  EDITLAIKS             VARCHAR(8),        /* time of the last change, HH:MM:SS */
  EDITKODS              VARCHAR(40)
);

/* Certificates (batches) of goods. */
CREATE TABLE N_SERTIF (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(200),
  DERIGSLIDZ            DATE               /* valid until */
);

CREATE TABLE N_TIKLS (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100)
);

CREATE TABLE N_USERGROUPS (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100)
);

CREATE TABLE N_VALUTA (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(60),
  KODS                  VARCHAR(3),        /* EUR, USD, ... */
  KURSS                 DOUBLE PRECISION   /* units per euro */
);


/* ======================================================================
   Documents (O_...)

   Heads and lines of the six document kinds the exchanges create.  The
   totals of a head (KOPSUMMA, PVNSUMMA, BEZPVNSUMMA) are plain columns
   here; in the real database the goods program keeps them up to date from
   the lines with triggers.
   ====================================================================== */

/* Incoming invoices (receipts). */
CREATE TABLE O_PAVADZ (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISKLIENT              INTEGER,
  ISAGENTS              INTEGER,
  ISNODALA              INTEGER,
  ISPARVPAV             INTEGER,           /* transfer note it came with */
  DAT_SANEM             DATE,              /* received */
  DAT_PAVADZ            DATE,              /* document date */
  NR_PAVADZ             VARCHAR(30),
  PZ_SERIJA             VARCHAR(15),
  INTERPAVNR            VARCHAR(30),
  PASUT_NR              VARCHAR(30),       /* order number */
  CAV_NR                VARCHAR(30),
  KADASTRA_NR           VARCHAR(30),
  CITAS_IZM             DOUBLE PRECISION DEFAULT 0,
  CITAS_18              DOUBLE PRECISION DEFAULT 0,
  TRANSP_IZM            DOUBLE PRECISION DEFAULT 0,
  PIECENOJ              DOUBLE PRECISION DEFAULT 0,
  APM_LIDZ              DATE,              /* payment due */
  ATGPRECSUM            DOUBLE PRECISION DEFAULT 0,
  APMAKS_SUM            DOUBLE PRECISION DEFAULT 0,
  ISAPMAKSVEIDS         INTEGER,
  APMAKS_DOK            VARCHAR(30),
  APMAKS_DAT            DATE,
  FUS_EXPORT            CHAR(1),
  FUSTIPS               VARCHAR(20),
  FUSPAMATS             VARCHAR(200),
  NELEGALIZ             CHAR(1),           /* 'T': not yet confirmed */
  PVN_REVERSS           CHAR(1),
  KOMENTARS             VARCHAR(1000),
  KOPSUMMA              DOUBLE PRECISION DEFAULT 0,
  PVNSUMMA              DOUBLE PRECISION DEFAULT 0,
  BEZPVNSUMMA           DOUBLE PRECISION DEFAULT 0,
  VALUTARPVNSUM         DOUBLE PRECISION DEFAULT 0,   /* total in the invoice currency */
  PZ_BLOK               CHAR(1),           /* 'T': locked */
  D365_ID               VARCHAR(40),
  D365_READY            CHAR(1),
  D365_SENT             DATE,
  FTP_STATUSS           INTEGER,
  FTP_DATUMS            DATE,
  EQUINOX_STATUSS       INTEGER,
  EQUINOX_DATUMS        DATE,
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40),       /* author or entry code: "IMPORTS NO EDISOFT" */
  EDITDAT               DATE,
  EDITKODS              VARCHAR(40)
);

CREATE TABLE O_PRECE (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISPAVADZ              INTEGER,
  ISPRECE               INTEGER,
  ISSERTIF              INTEGER,
  DAUDZUMS              DOUBLE PRECISION DEFAULT 0,
  DAUDZUMS_PARB         DOUBLE PRECISION,  /* quantity counted by the warehouse */
  CENA                  DOUBLE PRECISION DEFAULT 0,   /* purchase price without VAT */
  ATLAIDE               DOUBLE PRECISION DEFAULT 0,
  NODOKLIS              DOUBLE PRECISION,
  PARD_CENA             DOUBLE PRECISION DEFAULT 0,   /* sales price with VAT */
  PIEMAKSA              DOUBLE PRECISION DEFAULT 0,
  IETUREJUMI            DOUBLE PRECISION DEFAULT 0,
  TRANSP_M3             DOUBLE PRECISION DEFAULT 0,
  CENA_PAP2             DOUBLE PRECISION DEFAULT 0,
  CENA_PAP3             DOUBLE PRECISION DEFAULT 0,
  VALUTA                DOUBLE PRECISION,  /* price in the invoice currency */
  VAL_KURSS             DOUBLE PRECISION,
  PVN_REVERSS           INTEGER,
  PRECKOMENT            VARCHAR(250),
  PRECKOMENT2           VARCHAR(250),
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40)
);

/* Outgoing invoices. */
CREATE TABLE O_PAVOUT (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISKLIENT              INTEGER,
  ISKLSTRV              INTEGER,
  ISAGENTS              INTEGER,
  ISNODALA              INTEGER,
  ISMASINA              INTEGER,
  DATUMS                DATE,
  DAT_ATKR              DATE,              /* shipped */
  NR_PAVADZ             VARCHAR(30),
  PZ_SERIJA             VARCHAR(15),
  PASUT_NR              VARCHAR(30),
  CAV_NR                VARCHAR(30),
  CITAS_IZM             DOUBLE PRECISION DEFAULT 0,
  CITAS_18              DOUBLE PRECISION DEFAULT 0,
  PIECENOJ              DOUBLE PRECISION DEFAULT 0,
  APM_LIDZ              DATE,
  APMAKS_SUM            DOUBLE PRECISION DEFAULT 0,
  ISAPMAKSVEIDS         INTEGER,
  APMAKS_DOK            VARCHAR(30),
  APMAKS_DAT            DATE,
  FUS_EXPORT            CHAR(1),
  FUSTIPS               VARCHAR(20),
  FUSPAMATS             VARCHAR(200),
  NELEGALIZ             CHAR(1),
  PVN_REVERSS           CHAR(1),
  INTRA_DARV            CHAR(1),
  DARIJUMAVEIDS         INTEGER,
  KOMENTARS             VARCHAR(1000),
  KOPSUMMA              DOUBLE PRECISION DEFAULT 0,
  PVNSUMMA              DOUBLE PRECISION DEFAULT 0,
  BEZPVNSUMMA           DOUBLE PRECISION DEFAULT 0,
  PAVADZ_VAL            DOUBLE PRECISION DEFAULT 0,   /* total in the invoice currency */
  VAL_KURSS             DOUBLE PRECISION,
  PZ_BLOK               CHAR(1),
  D365_ID               VARCHAR(40),
  D365_READY            CHAR(1),
  D365_SENT             DATE,
  FTP_STATUSS           INTEGER,
  FTP_DATUMS            DATE,
  EQUINOX_STATUSS       INTEGER,
  EQUINOX_DATUMS        DATE,
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40),
  EDITDAT               DATE,
  EDITKODS              VARCHAR(40)
);

CREATE TABLE O_PRCOUT (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISPAVOUT              INTEGER,
  ISPRECE               INTEGER,
  ISSERTIF              INTEGER,
  ISPRECAGENTS          INTEGER,
  DAUDZUMS              DOUBLE PRECISION DEFAULT 0,
  CENA                  DOUBLE PRECISION DEFAULT 0,   /* price without VAT, before discount */
  PIECENOJ              DOUBLE PRECISION DEFAULT 0,   /* discount (-) or markup (+), percent */
  NODOKLIS              DOUBLE PRECISION,
  IEP_CENA              DOUBLE PRECISION DEFAULT 0,
  DAUDZUMS_NOCEN        DOUBLE PRECISION,
  CENA_NOCEN            DOUBLE PRECISION,
  PVN_REVERSS           INTEGER,           /* reverse-charge kind of the line; 0/NULL = taxed */
  VARAIZVIETOT          CHAR(1),
  FLAG                  INTEGER,
  PRECKOMENT            VARCHAR(250),
  PRECKOMENT2           VARCHAR(250),
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40)
);

/* Returns. */
CREATE TABLE O_ATGPAV (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISKLIENT              INTEGER,
  ISKLSTRV              INTEGER,
  ISAGENTS              INTEGER,
  ISNODALA              INTEGER,
  ISMASINA              INTEGER,
  DATUMS                DATE,
  DAT_ATKR              DATE,
  NR_PAVADZ             VARCHAR(30),
  PZ_SERIJA             VARCHAR(15),
  FROM_WHAT             INTEGER,           /* what the return refers to */
  INTRA_DARV            CHAR(1),
  BANK_NR               VARCHAR(40),
  NELEGALIZ             CHAR(1),
  PVN_REVERSS           CHAR(1),
  KOMENTARS             VARCHAR(1000),
  KOPSUMMA              DOUBLE PRECISION DEFAULT 0,
  PVNSUMMA              DOUBLE PRECISION DEFAULT 0,
  BEZPVNSUMMA           DOUBLE PRECISION DEFAULT 0,
  VALUTA                DOUBLE PRECISION DEFAULT 0,   /* total in the document currency */
  PZ_BLOK               CHAR(1),
  D365_ID               VARCHAR(40),
  D365_READY            CHAR(1),
  D365_SENT             DATE,
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40),
  EDITDAT               DATE,
  EDITKODS              VARCHAR(40)
);

CREATE TABLE O_ATGPRC (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISATGPAV              INTEGER,
  ISPRECE               INTEGER,
  ISSERTIF              INTEGER,
  DAUDZUMS              DOUBLE PRECISION DEFAULT 0,
  CENA                  DOUBLE PRECISION DEFAULT 0,
  PIECENOJ              DOUBLE PRECISION DEFAULT 0,
  NODOKLIS              DOUBLE PRECISION,
  IEP_CENA              DOUBLE PRECISION DEFAULT 0,
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40)
);

/* Transfers between departments. */
CREATE TABLE O_PARPAV (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISNODALANO            INTEGER,           /* from */
  ISNODALAUZ            INTEGER,           /* to */
  ISMASINA              INTEGER,
  DATUMS                DATE,
  NR_PAVADZ             VARCHAR(30),
  PZ_SERIJA             VARCHAR(15),
  PASUT_NR              VARCHAR(30),
  DARIJUMAVEIDS         INTEGER,
  REKVIZITIFROM         INTEGER,
  NELEGALIZ             CHAR(1),
  FUS_EXPORT            CHAR(1),
  KOMENTARS             VARCHAR(1000),
  KOPSUMMA              DOUBLE PRECISION DEFAULT 0,
  PVNSUMMA              DOUBLE PRECISION DEFAULT 0,
  BEZPVNSUMMA           DOUBLE PRECISION DEFAULT 0,
  PZ_BLOK               CHAR(1),
  D365_ID               VARCHAR(40),
  D365_READY            CHAR(1),
  D365_SENT             DATE,
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40),
  EDITDAT               DATE,
  EDITKODS              VARCHAR(40)
);

CREATE TABLE O_PARPRC (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISPARVPAV             INTEGER,
  ISPRECE               INTEGER,
  ISSERTIF              INTEGER,
  DAUDZUMS              DOUBLE PRECISION DEFAULT 0,
  CENA                  DOUBLE PRECISION DEFAULT 0,   /* purchase price */
  ATLAIDE               DOUBLE PRECISION DEFAULT 0,
  PARD_CENA             DOUBLE PRECISION DEFAULT 0,
  NODOKLIS              DOUBLE PRECISION,
  PRECKOMENT            VARCHAR(250),
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40)
);

/* Customer orders and purchase orders (PIEGADPIRCEJS: 1 to a supplier,
   2 from a buyer, 3 between departments). */
CREATE TABLE O_PASPAV (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISKLIENT              INTEGER,
  ISKLIENT_OTRS         INTEGER,
  ISKLSTRV              INTEGER,
  ISAGENTS              INTEGER,
  ISNODALA              INTEGER,
  ISNODALAUZ            INTEGER,
  ISMASINA              INTEGER,
  PIEGADPIRCEJS         INTEGER,
  DATUMS                DATE,
  DAT_PIEGADE           DATE,              /* requested delivery */
  DAT_PIEGADE0          DATE,              /* first requested delivery */
  PIEGADE_VEIKALA       DATE,              /* delivery to the shop */
  PLAN_LAIKS            DATE,
  NR_PAVADZ             VARCHAR(30),
  PZ_SERIJA             VARCHAR(15),
  CAV_NR                VARCHAR(30),
  CITAS_IZM             DOUBLE PRECISION DEFAULT 0,
  CITAS_18              DOUBLE PRECISION DEFAULT 0,
  PIECENOJ              DOUBLE PRECISION DEFAULT 0,
  APM_LIDZ              DATE,
  APMNOTEIKUMI          INTEGER,           /* vendor schedule (N_KLPASGRAF) */
  ISAPMAKSVEIDS         INTEGER,
  APMAKS_SUM            DOUBLE PRECISION DEFAULT 0,   /* advance payment */
  APMAKS_DOK            VARCHAR(30),
  APMAKS_DAT            DATE,
  NELEGALIZ             CHAR(1),
  ATKR_FLAG             INTEGER DEFAULT 0, /* 2: shipped */
  TRANSP_VEIDS          VARCHAR(60),
  WEB_PASUTIJUMS        CHAR(1),
  POZ_MARSRUTA          INTEGER,
  MARSRUTS_NO           INTEGER,
  KOMENTARS             VARCHAR(1000),
  KOPSUMMA              DOUBLE PRECISION DEFAULT 0,
  PVNSUMMA              DOUBLE PRECISION DEFAULT 0,
  BEZPVNSUMMA           DOUBLE PRECISION DEFAULT 0,
  PZ_BLOK               CHAR(1),
  D365_ID               VARCHAR(40),
  D365_READY            CHAR(1),
  D365_SENT             DATE,
  FTP_STATUSS           INTEGER,           /* 1: sent over EDI */
  FTP_DATUMS            DATE,
  EQUINOX_STATUSS       INTEGER,           /* 1: sent to the warehouse */
  EQUINOX_DATUMS        DATE,
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40),
  EDITDAT               DATE,
  EDITKODS              VARCHAR(40)
);

CREATE TABLE O_PASPRC (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISPASPAV              INTEGER,
  ISPRECE               INTEGER,
  ISSERTIF              INTEGER,
  DAUDZUMS              DOUBLE PRECISION DEFAULT 0,   /* ordered */
  APSTIPRIN_DAUDZ       DOUBLE PRECISION DEFAULT 0,   /* approved */
  ATKR_DAUDZ            DOUBLE PRECISION DEFAULT 0,   /* shipped */
  CENA                  DOUBLE PRECISION DEFAULT 0,
  ATLAIDE               DOUBLE PRECISION DEFAULT 0,   /* discount (-) or markup (+), percent */
  NODOKLIS              DOUBLE PRECISION,
  VALUTA                DOUBLE PRECISION,
  PVN_REVERSS           INTEGER,
  VARAIZVIETOT          CHAR(1),           /* may be replaced by another article */
  CIETIN_ARTIK          CHAR(1),
  PIEZIMES              VARCHAR(250),
  PIEZIMES2             VARCHAR(250),
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40)
);

/* Price-change notes (PZ_VEIDS 1: promotion). */
CREATE TABLE O_PARCPV (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISNODALA              INTEGER,
  DATUMS                DATE,
  NR_PAVADZ             VARCHAR(30),
  PZ_VEIDS              INTEGER,
  AKCIJAS_VEIDS         VARCHAR(250),      /* promotion kind / label */
  AKCIJA_NO             DATE,
  AKCIJA_LIDZ           DATE,
  AKCIJA_IEPC_NO        DATE,
  AKCIJA_IEPC_LIDZ      DATE,
  AKCNEDOTATL           CHAR(1),           /* 'T': no further discounts during the promotion */
  PAMATOJUMS            VARCHAR(250),      /* reason: "NO D365" */
  KOMENTARS             VARCHAR(1000),
  PZ_BLOK               CHAR(1),
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40),
  EDITDAT               DATE,
  EDITKODS              VARCHAR(40)
);

CREATE TABLE O_PARCPR (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISPARCPV              INTEGER,
  ISPRECE               INTEGER,
  DAUDZUMS              DOUBLE PRECISION DEFAULT 0,
  NODOKLIS              DOUBLE PRECISION,
  KADA_CENA             INTEGER,           /* price level changed */
  CENA_NO               DOUBLE PRECISION DEFAULT 0,
  CENA_UZ               DOUBLE PRECISION DEFAULT 0,
  NEWIEPCENA            DOUBLE PRECISION,
  NEWIEPCENA_NO         DOUBLE PRECISION,
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40),
  EDITDAT               DATE,
  EDITKODS              VARCHAR(40)
);

/* Stock counts; a count fixes the stock of its goods from its date on. */
CREATE TABLE O_PRATL_PAV (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISNODALA              INTEGER,
  DATUMS                DATE,
  NR_PAVADZ             VARCHAR(30),
  KOMENTARS             VARCHAR(1000),
  PZ_BLOK               CHAR(1),
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40)
);

CREATE TABLE O_PRATL_PRC (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISPRATLPAV            INTEGER,
  ISPRECE               INTEGER,
  DAUDZUMS              DOUBLE PRECISION DEFAULT 0,   /* counted */
  ATLIKUMS              DOUBLE PRECISION DEFAULT 0,   /* book stock at the count */
  CENA                  DOUBLE PRECISION DEFAULT 0
);


/* ======================================================================
   Stock and prices
   ====================================================================== */

/* Current stock: one row per goods and department, kept by UPDATETEKATLIK. */
CREATE TABLE O_TEKATLIK (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISPRECE               INTEGER NOT NULL,
  ISNODALA              INTEGER NOT NULL,
  ATLIKUMS              DOUBLE PRECISION DEFAULT 0,
  EDITDAT               DATE
);

/* Special prices of goods for a customer (KLIENTNODALAFLAG 1 or NULL) or a
   department (2).  FLAG: 2 = PARDCENA1 with ATLAIDE percent, 3 = price
   level CENA_1, 4 = purchase price, otherwise CENA_1 is the price. */
CREATE TABLE O_SPECCENAS (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISPRECE               INTEGER,
  ISKLIENT              INTEGER,
  KLIENTNODALAFLAG      INTEGER,
  CENAS_NR              INTEGER,           /* price level of a department special */
  CENA_1                DOUBLE PRECISION DEFAULT 0,
  ATLAIDE               DOUBLE PRECISION DEFAULT 0,
  FLAG                  INTEGER,
  DAT_NO                DATE,
  DAT_LIDZ              DATE,
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40)
);

/* Goods-group prices of a customer; FLAG as in O_SPECCENAS. */
CREATE TABLE O_CENASPRGRUPAS (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISPRGRUPA             INTEGER,
  ISKLIENT              INTEGER,
  CENA_1                DOUBLE PRECISION DEFAULT 0,
  ATLAIDE               DOUBLE PRECISION DEFAULT 0,
  FLAG                  INTEGER,
  DAT_NO                DATE,
  DAT_LIDZ              DATE,
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40)
);


/* ======================================================================
   Payments
   ====================================================================== */

/* Payments of customers and to suppliers.  SANEM_IZR: 1 paid out,
   2 received.  PARPALIKUM is the part not yet allocated to invoices. */
CREATE TABLE O_APMAKS (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISKLIENT              INTEGER,
  ISNODALA              INTEGER,
  ISAGENTS              INTEGER,
  ISAPMAKSVEIDS         INTEGER,           /* O_APMKONTI */
  APMAKS_SUM            DOUBLE PRECISION DEFAULT 0,
  PARPALIKUM            DOUBLE PRECISION DEFAULT 0,
  APMAKS_DOK            VARCHAR(30),
  APMAKS_DAT            DATE,
  SANEM_IZR             INTEGER,
  VAL_KURSS             DOUBLE PRECISION,
  DEBETS                VARCHAR(20),       /* bookkeeping accounts */
  KREDITS               VARCHAR(20),
  DEBETSPVN             VARCHAR(20),
  KREDITSPVN            VARCHAR(20),
  FUS_EXPORT            CHAR(1),
  NELEGALIZ             CHAR(1),
  KOMENTARS             VARCHAR(1000),
  IEVDAT                DATE,
  IEVKODS               VARCHAR(40)
);

/* Payment kinds (cash, bank transfer, card, ...); KODS is the web shop's
   payment_code. */
CREATE TABLE O_APMKONTI (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(100),
  KODS                  VARCHAR(64),
  KONTS                 VARCHAR(20),
  WWW_IMPORTS           CHAR(1)            /* 'T': a shop order paid this way brings an advance payment */
);

/* Allocation of payments to documents. */
CREATE TABLE O_APMPAV (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISAPMAKS              INTEGER,
  ISPAVADZ              INTEGER,           /* invoice or, with PASUTIJUMS 'T', order */
  NR_PAVADZ             VARCHAR(30),
  DAT_PAVADZ            DATE,
  SUMMA                 DOUBLE PRECISION DEFAULT 0,
  PASUTIJUMS            CHAR(1)
);


/* ======================================================================
   Error journal, operations journal, message texts
   ====================================================================== */

CREATE TABLE O_ERRORINFO (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  GNOS                  VARCHAR(20),       /* "ERROR" */
  PIETEICEJS            VARCHAR(40),       /* operator */
  PROGRAMMA             VARCHAR(200),
  LOGA_NOS              VARCHAR(200),      /* reporting function */
  PIEZIMES              BLOB SUB_TYPE TEXT,
  E_MAIL                VARCHAR(100),
  IEVDAT                DATE               /* filled by the insert trigger */
);

CREATE TABLE O_OPERACIJAS (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  TAUSTINS              VARCHAR(10),       /* J new, L change, E error, ... */
  IEVKODS               VARCHAR(20),
  IEVDAT                DATE,
  DATUMS                DATE,              /* document date */
  NUMURS                VARCHAR(15),
  BAZE                  VARCHAR(20),       /* table */
  ISN_BAZE              INTEGER,           /* row */
  ISPRECE               INTEGER DEFAULT 0,
  PIEZIMES              VARCHAR(100),
  PIEZIMES2             BLOB SUB_TYPE TEXT /* what changed: COL:old->new | ... */
);

/* Message texts of the programs, for translation. */
CREATE TABLE N_VALODAS (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  PROGRAM               VARCHAR(10),       /* 'VN' */
  FORM_NAME             VARCHAR(50),
  COMPONENT_NAME        VARCHAR(150),
  LV                    VARCHAR(1000),
  EN                    VARCHAR(1000),
  RU                    VARCHAR(1000),
  NOT_UPDATE            CHAR(1),
  IEVDAT                DATE,
  IEVKODS               VARCHAR(20)
);


/* ======================================================================
   Exchange data
   ====================================================================== */

/* Attributes of goods: shop filters and attributes (ATRIBUTS_OPCIJA 0) and
   variant options (1).  GRUPAS_ID is the shop's attribute / option id. */
CREATE TABLE O_ATRIBUTI (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISPRECE               INTEGER,
  GRUPAS_ID             INTEGER,
  GNOS                  VARCHAR(100),      /* attribute or option name */
  VERTIBA               VARCHAR(250),
  VERTIBA2              VARCHAR(250),
  VERTIBA3              VARCHAR(250),
  VERTIBA4              VARCHAR(250),
  VERTIBA5              VARCHAR(250),
  ATRIBUTS_OPCIJA       INTEGER DEFAULT 0,
  OBLIGATS              INTEGER DEFAULT 0  /* option must be chosen */
);

/* Department assortment from D365: FLAG 1 rows hold a goods group,
   FLAG 2 rows a goods key in ISPRGRUPA_PRECE. */
CREATE TABLE O_SORTIMENTS (
  ISN                   INTEGER NOT NULL PRIMARY KEY,
  ISNODALA              INTEGER,
  ISPRGRUPA_PRECE       INTEGER,
  FLAG                  INTEGER,
  VEIDS                 VARCHAR(30)        /* assortment level */
);


/* ======================================================================
   Indexes for the look-ups the exchanges make
   ====================================================================== */

CREATE INDEX N_KLPREC_ARTIKULS  ON N_KLPREC (ARTIKULS);
CREATE INDEX N_KLPREC_ARTIKULS2 ON N_KLPREC (ARTIKULS2);
CREATE INDEX N_KLPREC_ARTIKULS5 ON N_KLPREC (ARTIKULS5);
CREATE INDEX N_KLPREC_ARTIKULS7 ON N_KLPREC (ARTIKULS7);
CREATE INDEX N_KLPREC_ISPRGRUPA ON N_KLPREC (ISPRGRUPA);
CREATE INDEX N_KLPREC_EDITDAT   ON N_KLPREC (EDITDAT);
CREATE INDEX N_KLIENT_IDKODS    ON N_KLIENT (IDKODS);
CREATE INDEX N_KLIENT_REGNR     ON N_KLIENT (REGNR);
CREATE INDEX N_KLIENT_PVNKODS   ON N_KLIENT (PVNKODS);
CREATE INDEX N_KL_STRV_ISKLIENT ON N_KL_STRV (ISKLIENT);
CREATE INDEX N_KL_STRV_E_MAIL1  ON N_KL_STRV (E_MAIL1);
CREATE INDEX N_PRGRUP_GRUPKOD   ON N_PRGRUP (GRUPKOD);
CREATE INDEX N_KLPASGRAF_D365   ON N_KLPASGRAF (D365_ID);

CREATE UNIQUE INDEX O_TEKATLIK_PRECE_NODALA ON O_TEKATLIK (ISPRECE, ISNODALA);
CREATE INDEX O_TEKATLIK_NODALA  ON O_TEKATLIK (ISNODALA);

CREATE INDEX O_PAVADZ_KLIENT    ON O_PAVADZ (ISKLIENT);
CREATE INDEX O_PAVADZ_PASUT_NR  ON O_PAVADZ (PASUT_NR);
CREATE INDEX O_PAVADZ_D365      ON O_PAVADZ (D365_ID);
CREATE INDEX O_PRECE_PAVADZ     ON O_PRECE (ISPAVADZ);
CREATE INDEX O_PRECE_PRECE      ON O_PRECE (ISPRECE);
CREATE INDEX O_PAVOUT_KLIENT    ON O_PAVOUT (ISKLIENT);
CREATE INDEX O_PAVOUT_D365      ON O_PAVOUT (D365_ID);
CREATE INDEX O_PRCOUT_PAVOUT    ON O_PRCOUT (ISPAVOUT);
CREATE INDEX O_ATGPAV_KLIENT    ON O_ATGPAV (ISKLIENT);
CREATE INDEX O_ATGPAV_D365      ON O_ATGPAV (D365_ID);
CREATE INDEX O_ATGPRC_ATGPAV    ON O_ATGPRC (ISATGPAV);
CREATE INDEX O_PARPAV_PASUT_NR  ON O_PARPAV (PASUT_NR);
CREATE INDEX O_PARPAV_D365      ON O_PARPAV (D365_ID);
CREATE INDEX O_PARPRC_PARPAV    ON O_PARPRC (ISPARVPAV);
CREATE INDEX O_PARPRC_PRECE     ON O_PARPRC (ISPRECE);
CREATE INDEX O_PASPAV_NR        ON O_PASPAV (NR_PAVADZ);
CREATE INDEX O_PASPAV_DATUMS    ON O_PASPAV (DATUMS);
CREATE INDEX O_PASPRC_PASPAV    ON O_PASPRC (ISPASPAV);
CREATE INDEX O_PARCPV_DATUMS    ON O_PARCPV (DATUMS, ISNODALA);
CREATE INDEX O_PARCPR_PARCPV    ON O_PARCPR (ISPARCPV);
CREATE INDEX O_PARCPR_PRECE     ON O_PARCPR (ISPRECE);
CREATE INDEX O_PRATL_PRC_PAV    ON O_PRATL_PRC (ISPRATLPAV);
CREATE INDEX O_PRATL_PRC_PRECE  ON O_PRATL_PRC (ISPRECE);
CREATE INDEX O_SPECCENAS_PRECE  ON O_SPECCENAS (ISPRECE);
CREATE INDEX O_SPECCENAS_KLIENT ON O_SPECCENAS (ISKLIENT);
CREATE INDEX O_CENASPRGR_KLIENT ON O_CENASPRGRUPAS (ISKLIENT);
CREATE INDEX O_APMAKS_KLIENT    ON O_APMAKS (ISKLIENT, APMAKS_DAT);
CREATE INDEX O_APMPAV_APMAKS    ON O_APMPAV (ISAPMAKS);
CREATE INDEX O_ATRIBUTI_PRECE   ON O_ATRIBUTI (ISPRECE);
CREATE INDEX O_SORTIMENTS_NOD   ON O_SORTIMENTS (ISNODALA, ISPRGRUPA_PRECE, FLAG);
CREATE INDEX N_VALODAS_FORM     ON N_VALODAS (PROGRAM, FORM_NAME, COMPONENT_NAME);


/* ======================================================================
   Key generators

   The registers that carry a default row ISN 1 ("Nav noteikts") start
   their generators at 1, so the first generated key is 2 and does not
   collide with the default row the program inserts on its first connect.
   ====================================================================== */

CREATE GENERATOR N_AGENTSGEN;        SET GENERATOR N_AGENTSGEN TO 1;
CREATE GENERATOR N_BANKAGEN;         SET GENERATOR N_BANKAGEN TO 1;
CREATE GENERATOR N_DEPARTGEN;        SET GENERATOR N_DEPARTGEN TO 1;
CREATE GENERATOR N_ISIGEN;
CREATE GENERATOR N_ISI2GEN;
CREATE GENERATOR N_KLGRUPGEN;        SET GENERATOR N_KLGRUPGEN TO 1;
CREATE GENERATOR N_KLGRUPPAP1GEN;    SET GENERATOR N_KLGRUPPAP1GEN TO 1;
CREATE GENERATOR N_KLIENTGEN;        SET GENERATOR N_KLIENTGEN TO 1;
CREATE GENERATOR N_KL_STRVGEN;
CREATE GENERATOR N_KLPASGRAFGEN;
CREATE GENERATOR N_KLPRECGEN;        SET GENERATOR N_KLPRECGEN TO 1;
CREATE GENERATOR N_LICENCGEN;        SET GENERATOR N_LICENCGEN TO 1;
CREATE GENERATOR N_MASINAGEN;        SET GENERATOR N_MASINAGEN TO 1;
CREATE GENERATOR N_PAPILDGRUP1GEN;   SET GENERATOR N_PAPILDGRUP1GEN TO 1;
CREATE GENERATOR N_PAPILDGRUP2GEN;   SET GENERATOR N_PAPILDGRUP2GEN TO 1;
CREATE GENERATOR N_PAPILDGRUP3GEN;   SET GENERATOR N_PAPILDGRUP3GEN TO 1;
CREATE GENERATOR N_PAPILDGRUP4GEN;   SET GENERATOR N_PAPILDGRUP4GEN TO 1;
CREATE GENERATOR N_PAPILDGRUP5GEN;   SET GENERATOR N_PAPILDGRUP5GEN TO 1;
CREATE GENERATOR N_PAPILDGRUP6GEN;   SET GENERATOR N_PAPILDGRUP6GEN TO 1;
CREATE GENERATOR N_PAPILDGRUP7GEN;   SET GENERATOR N_PAPILDGRUP7GEN TO 1;
CREATE GENERATOR N_PRGRUPGEN;        SET GENERATOR N_PRGRUPGEN TO 1;
CREATE GENERATOR N_SERTIFGEN;        SET GENERATOR N_SERTIFGEN TO 1;
CREATE GENERATOR N_TIKLSGEN;         SET GENERATOR N_TIKLSGEN TO 1;
CREATE GENERATOR N_USERGROUPSGEN;    SET GENERATOR N_USERGROUPSGEN TO 1;
CREATE GENERATOR N_VALODASGEN;
CREATE GENERATOR N_VALUTAGEN;
CREATE GENERATOR O_APMAKSGEN;
CREATE GENERATOR O_APMKONTIGEN;
CREATE GENERATOR O_APMPAVGEN;
CREATE GENERATOR O_ATGPAVGEN;
CREATE GENERATOR O_ATGPRCGEN;
CREATE GENERATOR O_ATRIBUTIGEN;
CREATE GENERATOR O_CENASPRGRUPASGEN;
CREATE GENERATOR O_ERRORINFOGEN;
CREATE GENERATOR O_OPERACIJASGEN;
CREATE GENERATOR O_PARCPRGEN;
CREATE GENERATOR O_PARCPVGEN;
CREATE GENERATOR O_PARPAVGEN;
CREATE GENERATOR O_PARPRCGEN;
CREATE GENERATOR O_PASPAVGEN;
CREATE GENERATOR O_PASPRCGEN;
CREATE GENERATOR O_PAVADZGEN;
CREATE GENERATOR O_PAVOUTGEN;
CREATE GENERATOR O_PRATL_PAVGEN;
CREATE GENERATOR O_PRATL_PRCGEN;
CREATE GENERATOR O_PRCOUTGEN;
CREATE GENERATOR O_PRECEGEN;
CREATE GENERATOR O_SORTIMENTSGEN;
CREATE GENERATOR O_SPECCENASGEN;
CREATE GENERATOR O_TEKATLIKGEN;


/* ======================================================================
   Insert triggers: the key from the generator when none is given
   ====================================================================== */

SET TERM ^ ;

CREATE TRIGGER N_AGENTS_BI FOR N_AGENTS ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_AGENTSGEN, 1);
END^

CREATE TRIGGER N_BANKA_BI FOR N_BANKA ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_BANKAGEN, 1);
END^

CREATE TRIGGER N_DEPART_BI FOR N_DEPART ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_DEPARTGEN, 1);
END^

CREATE TRIGGER N_ISI_BI FOR N_ISI ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_ISIGEN, 1);
END^

CREATE TRIGGER N_ISI2_BI FOR N_ISI2 ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_ISI2GEN, 1);
END^

CREATE TRIGGER N_KLGRUP_BI FOR N_KLGRUP ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_KLGRUPGEN, 1);
END^

CREATE TRIGGER N_KLGRUPPAP1_BI FOR N_KLGRUPPAP1 ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_KLGRUPPAP1GEN, 1);
END^

CREATE TRIGGER N_KLIENT_BI FOR N_KLIENT ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_KLIENTGEN, 1);
END^

CREATE TRIGGER N_KL_STRV_BI FOR N_KL_STRV ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_KL_STRVGEN, 1);
END^

CREATE TRIGGER N_KLPASGRAF_BI FOR N_KLPASGRAF ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_KLPASGRAFGEN, 1);
END^

CREATE TRIGGER N_KLPREC_BI FOR N_KLPREC ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_KLPRECGEN, 1);
END^

CREATE TRIGGER N_LICENC_BI FOR N_LICENC ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_LICENCGEN, 1);
END^

CREATE TRIGGER N_MASINA_BI FOR N_MASINA ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_MASINAGEN, 1);
END^

CREATE TRIGGER N_PAPILDGRUP1_BI FOR N_PAPILDGRUP1 ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_PAPILDGRUP1GEN, 1);
END^

CREATE TRIGGER N_PAPILDGRUP2_BI FOR N_PAPILDGRUP2 ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_PAPILDGRUP2GEN, 1);
END^

CREATE TRIGGER N_PAPILDGRUP3_BI FOR N_PAPILDGRUP3 ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_PAPILDGRUP3GEN, 1);
END^

CREATE TRIGGER N_PAPILDGRUP4_BI FOR N_PAPILDGRUP4 ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_PAPILDGRUP4GEN, 1);
END^

CREATE TRIGGER N_PAPILDGRUP5_BI FOR N_PAPILDGRUP5 ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_PAPILDGRUP5GEN, 1);
END^

CREATE TRIGGER N_PAPILDGRUP6_BI FOR N_PAPILDGRUP6 ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_PAPILDGRUP6GEN, 1);
END^

CREATE TRIGGER N_PAPILDGRUP7_BI FOR N_PAPILDGRUP7 ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_PAPILDGRUP7GEN, 1);
END^

CREATE TRIGGER N_PRGRUP_BI FOR N_PRGRUP ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_PRGRUPGEN, 1);
END^

CREATE TRIGGER N_SERTIF_BI FOR N_SERTIF ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_SERTIFGEN, 1);
END^

CREATE TRIGGER N_TIKLS_BI FOR N_TIKLS ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_TIKLSGEN, 1);
END^

CREATE TRIGGER N_USERGROUPS_BI FOR N_USERGROUPS ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_USERGROUPSGEN, 1);
END^

CREATE TRIGGER N_VALODAS_BI FOR N_VALODAS ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_VALODASGEN, 1);
END^

CREATE TRIGGER N_VALUTA_BI FOR N_VALUTA ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(N_VALUTAGEN, 1);
END^

CREATE TRIGGER O_APMAKS_BI FOR O_APMAKS ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_APMAKSGEN, 1);
END^

CREATE TRIGGER O_APMKONTI_BI FOR O_APMKONTI ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_APMKONTIGEN, 1);
END^

CREATE TRIGGER O_APMPAV_BI FOR O_APMPAV ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_APMPAVGEN, 1);
END^

CREATE TRIGGER O_ATGPAV_BI FOR O_ATGPAV ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_ATGPAVGEN, 1);
END^

CREATE TRIGGER O_ATGPRC_BI FOR O_ATGPRC ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_ATGPRCGEN, 1);
END^

CREATE TRIGGER O_ATRIBUTI_BI FOR O_ATRIBUTI ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_ATRIBUTIGEN, 1);
END^

CREATE TRIGGER O_CENASPRGRUPAS_BI FOR O_CENASPRGRUPAS ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_CENASPRGRUPASGEN, 1);
END^

CREATE TRIGGER O_ERRORINFO_BI FOR O_ERRORINFO ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_ERRORINFOGEN, 1);
  IF (NEW.IEVDAT IS NULL) THEN NEW.IEVDAT = CURRENT_TIMESTAMP;
END^

CREATE TRIGGER O_OPERACIJAS_BI FOR O_OPERACIJAS ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_OPERACIJASGEN, 1);
END^

CREATE TRIGGER O_PARCPR_BI FOR O_PARCPR ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_PARCPRGEN, 1);
END^

CREATE TRIGGER O_PARCPV_BI FOR O_PARCPV ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_PARCPVGEN, 1);
END^

CREATE TRIGGER O_PARPAV_BI FOR O_PARPAV ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_PARPAVGEN, 1);
END^

CREATE TRIGGER O_PARPRC_BI FOR O_PARPRC ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_PARPRCGEN, 1);
END^

CREATE TRIGGER O_PASPAV_BI FOR O_PASPAV ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_PASPAVGEN, 1);
END^

CREATE TRIGGER O_PASPRC_BI FOR O_PASPRC ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_PASPRCGEN, 1);
END^

CREATE TRIGGER O_PAVADZ_BI FOR O_PAVADZ ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_PAVADZGEN, 1);
END^

CREATE TRIGGER O_PAVOUT_BI FOR O_PAVOUT ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_PAVOUTGEN, 1);
END^

CREATE TRIGGER O_PRATL_PAV_BI FOR O_PRATL_PAV ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_PRATL_PAVGEN, 1);
END^

CREATE TRIGGER O_PRATL_PRC_BI FOR O_PRATL_PRC ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_PRATL_PRCGEN, 1);
END^

CREATE TRIGGER O_PRCOUT_BI FOR O_PRCOUT ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_PRCOUTGEN, 1);
END^

CREATE TRIGGER O_PRECE_BI FOR O_PRECE ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_PRECEGEN, 1);
END^

CREATE TRIGGER O_SORTIMENTS_BI FOR O_SORTIMENTS ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_SORTIMENTSGEN, 1);
END^

CREATE TRIGGER O_SPECCENAS_BI FOR O_SPECCENAS ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_SPECCENASGEN, 1);
END^

CREATE TRIGGER O_TEKATLIK_BI FOR O_TEKATLIK ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ISN IS NULL) THEN NEW.ISN = GEN_ID(O_TEKATLIKGEN, 1);
END^


/* ----------------------------------------------------------------------
   Change marks of goods and goods groups.  The goods program stamps
   EDITDAT (and EDITLAIKS for groups) on every change; the incremental
   web shop and Equinox exports select by them.  A statement that sets the
   mark itself keeps its value.
   ---------------------------------------------------------------------- */

CREATE TRIGGER N_KLPREC_BIU_EDIT FOR N_KLPREC ACTIVE BEFORE INSERT OR UPDATE POSITION 10 AS
BEGIN
  IF (INSERTING) THEN
  BEGIN
    IF (NEW.IEVDAT IS NULL) THEN NEW.IEVDAT = CURRENT_TIMESTAMP;
    IF (NEW.EDITDAT IS NULL) THEN NEW.EDITDAT = CURRENT_TIMESTAMP;
  END
  ELSE IF (NEW.EDITDAT IS NOT DISTINCT FROM OLD.EDITDAT) THEN
    NEW.EDITDAT = CURRENT_TIMESTAMP;
END^

CREATE TRIGGER N_PRGRUP_BIU_EDIT FOR N_PRGRUP ACTIVE BEFORE INSERT OR UPDATE POSITION 10 AS
DECLARE VARIABLE T DATE;
BEGIN
  IF ((INSERTING AND NEW.EDITDAT IS NULL)
      OR (UPDATING AND NEW.EDITDAT IS NOT DISTINCT FROM OLD.EDITDAT
                   AND NEW.EDITLAIKS IS NOT DISTINCT FROM OLD.EDITLAIKS)) THEN
  BEGIN
    T = CURRENT_TIMESTAMP;
    NEW.EDITDAT = T;
    NEW.EDITLAIKS = LPAD(EXTRACT(HOUR FROM T), 2, '0') || ':' ||
                    LPAD(EXTRACT(MINUTE FROM T), 2, '0') || ':' ||
                    LPAD(CAST(FLOOR(EXTRACT(SECOND FROM T)) AS INTEGER), 2, '0');
  END
END^


/* ======================================================================
   Stored procedures
   ====================================================================== */

/* Current stock update, run by the document inserts for every line that
   moves goods: adds DAUDZUMS (negative for goods going out) to the stock
   of the goods in the department, creating the stock row when there is
   none yet.  NELEGALIZ (unconfirmed document) and FLAG (1 from a document
   line, 0 from a correction) are accepted for the goods program's own
   callers; the current stock counts both alike. */
CREATE PROCEDURE UPDATETEKATLIK (
  ISPRECE   INTEGER,
  ISNODALA  INTEGER,
  DAUDZUMS  DOUBLE PRECISION,
  NELEGALIZ VARCHAR(1),
  FLAG      INTEGER)
AS
DECLARE VARIABLE V_ISN INTEGER;
BEGIN
  IF (ISPRECE IS NULL OR ISNODALA IS NULL) THEN EXIT;
  V_ISN = NULL;
  SELECT FIRST 1 ISN FROM O_TEKATLIK
   WHERE ISPRECE = :ISPRECE AND ISNODALA = :ISNODALA
    INTO :V_ISN;
  IF (V_ISN IS NULL) THEN
    INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS, EDITDAT)
    VALUES (:ISPRECE, :ISNODALA, COALESCE(:DAUDZUMS, 0), CURRENT_TIMESTAMP);
  ELSE
    UPDATE O_TEKATLIK
       SET ATLIKUMS = COALESCE(ATLIKUMS, 0) + COALESCE(:DAUDZUMS, 0),
           EDITDAT = CURRENT_TIMESTAMP
     WHERE ISN = :V_ISN;
END^

SET TERM ; ^

COMMIT;
