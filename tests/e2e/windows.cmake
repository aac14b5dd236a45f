# Windows end-to-end tests: added below.
